#pragma once

#include <QByteArray>
#include <QList>

class QImage;

// A Windows icon file holding each of `images`, PNG-compressed, the form
// Windows has read since Vista. Each image is square, 1 to 256 pixels wide.
// Empty if an image cannot be stored.
QByteArray icoFile(const QList<QImage> &images);
