#include "desktop/platform.h"

#include "desktop/x11.h"

#include <QByteArray>
#include <QtGlobal>

namespace desktop {

void preferX11Platform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && x11DisplayReachable())
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
}

} // namespace desktop
