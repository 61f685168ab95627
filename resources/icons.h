#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// Both drawings are pixel art. Larger sizes enlarge them pixel by pixel,
// without smoothing, so they stay sharp on high-density screens and in the
// desktop's icon theme.

// The program icon, shown by every window of the game, at 16 pixels and
// enlarged to 32, 48 and 64.
QIcon programIcon();

// The program icon as an image of `size` by `size` pixels.
QImage programIconImage(int size);

// The picture of the About window, 32 by 32 logical pixels, drawn for a
// screen of the given pixel density.
QPixmap aboutPicture(qreal devicePixelRatio = 1.0);
