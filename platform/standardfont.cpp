#include "platform/standardfont.h"

#include <QApplication>
#include <QFont>
#include <QWidget>

namespace platform {

void useStandardFont([[maybe_unused]] QWidget *window)
{
#ifdef Q_OS_WIN
    window->setFont(QFont(QStringLiteral("Segoe UI"), 9));
#elif defined(Q_OS_WASM)
    // A page has no desktop font, and Qt's own default there is a third larger than a Linux
    // desktop's, which pushes the About window's lines against its edges. The font the page
    // carries, at a desktop's size; set for the whole program, as the menus' pop-ups are
    // windows of their own that take the program's font, not their parent's.
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
#endif
}

} // namespace platform
