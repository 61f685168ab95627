#pragma once

#include <QIcon>
#include <QPixmap>

// The program icon, shown by every window of the game.
QIcon programIcon();

// The picture of the About window.
QPixmap aboutPicture();
