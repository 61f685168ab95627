#include "resources/icons.h"

#include <cmath>

namespace {

constexpr int kIconSize = 16;
constexpr int kPictureSize = 32;

QImage enlarged(const QString &path, int size)
{
    return QImage(path).scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace

QImage programIconImage(int size)
{
    return enlarged(QStringLiteral(":/icon.xpm"), size);
}

QIcon programIcon()
{
    QIcon icon;
    for (int scale = 1; scale <= 4; ++scale)
        icon.addPixmap(QPixmap::fromImage(programIconImage(kIconSize * scale)));
    return icon;
}

QPixmap aboutPicture(qreal devicePixelRatio)
{
    const int scale = std::max(1, int(std::ceil(devicePixelRatio)));
    QPixmap picture =
        QPixmap::fromImage(enlarged(QStringLiteral(":/about.xpm"), kPictureSize * scale));
    picture.setDevicePixelRatio(scale);
    return picture;
}
