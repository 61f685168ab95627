#include "platform/screencentre.h"

#include "platform/x11.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {

QMargins frameGuess(const QWidget *window)
{
    // Transient windows first: the owner most likely wears the same frame.
    QWidgetList windows = QApplication::topLevelWidgets();
    if (window->parentWidget())
        windows.prepend(window->parentWidget()->window());
    for (const QWidget *other : windows) {
        if (other != window && other->isVisible()) {
            const QRect outer = other->frameGeometry();
            const QRect inner = other->geometry();
            return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                            outer.right() - inner.right(), outer.bottom() - inner.bottom());
        }
    }
    return QMargins();
}

QMargins frameBeforeShowing(QWidget *window)
{
#ifdef Q_OS_WIN
    // Windows draws the frame itself and knows it once the window exists.
    window->winId();
    if (const QMargins native = window->windowHandle()->frameMargins(); !native.isNull())
        return native;
#endif
    return frameGuess(window);
}

} // namespace

void centreOnScreen(QWidget *window)
{
    const QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : window;
    const QMargins frame = x11FrameExtents(window).value_or(frameBeforeShowing(window));
    const QSize outer = window->size().grownBy(frame);
    const QRect area = owner->screen()->availableGeometry();
    const QPoint frameTopLeft(area.x() + (area.width() - outer.width()) / 2,
                              area.y() + (area.height() - outer.height()) / 2);
    // The client's own place: the window manager keeps it and builds the frame around it.
    window->setGeometry(QRect(frameTopLeft + QPoint(frame.left(), frame.top()), window->size()));
}

} // namespace platform
