#include "platform/qpachoice.h"

#include "platform/x11.h"

#include <QByteArray>
#include <QtGlobal>

namespace platform {

void preferX11Platform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && x11DisplayReachable())
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
}

} // namespace platform
