#include "platform/screencentre.h"

#include "platform/x11.h"

#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {

// The frame where it can be known before the window is shown, without asking X11.
QMargins nativeFrame([[maybe_unused]] QWidget *window)
{
#ifdef Q_OS_WIN
    // Windows draws the frame itself and knows it once the window exists.
    window->winId();
    return window->windowHandle()->frameMargins();
#else
    return QMargins();
#endif
}

// Puts the client where a frame of these margins around it is centred in `area`.
void place(QWidget *window, const QRect &area, const QMargins &frame)
{
    const QSize outer = window->size().grownBy(frame);
    const QPoint frameTopLeft(area.x() + (area.width() - outer.width()) / 2,
                              area.y() + (area.height() - outer.height()) / 2);
    // The client's own place: the window manager keeps it and builds the frame around it.
    window->setGeometry(QRect(frameTopLeft + QPoint(frame.left(), frame.top()), window->size()));
}

} // namespace

void showCentred(QWidget *window, const std::function<void()> &show)
{
    const QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : window;
    const QRect area = owner->screen()->availableGeometry();
    if (const std::optional<QMargins> frame = x11FrameExtents(window)) {
        place(window, area, *frame);
        show();
        return;
    }
    // The frame is not known: the client is centred, and on X11 the manager moves it by half
    // the difference of its frame's sides, which no guess from other windows could match.
    place(window, area, nativeFrame(window));
    if (!x11ShowFrameCentred(window, show))
        show();
}

} // namespace platform
