#include "platform/standardfont.h"

#include <QFont>
#include <QWidget>

namespace platform {

void useStandardFont([[maybe_unused]] QWidget *window)
{
#ifdef Q_OS_WIN
    window->setFont(QFont(QStringLiteral("Segoe UI"), 9));
#endif
}

} // namespace platform
