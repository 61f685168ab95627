#include "resources/icons.h"

QIcon programIcon()
{
    return QIcon(QStringLiteral(":/icon.xpm"));
}

QPixmap aboutPicture()
{
    return QPixmap(QStringLiteral(":/about.xpm"));
}
