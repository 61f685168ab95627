#pragma once

#include <QMargins>

#include <functional>
#include <optional>

class QWidget;

namespace platform {

// Whether an X server answers on $DISPLAY; only a connection is opened and closed.
bool x11DisplayReachable();

// The frame the window manager will put around a window that is not yet shown, asked of it
// with _NET_REQUEST_FRAME_EXTENTS. Creates the native window if need be. Nothing when the game
// is not on X11, when the window manager offers no such request, or when it does not answer.
std::optional<QMargins> x11FrameExtents(QWidget *window);

// Shows a window through `show`, having the window manager put the centre of the frame where
// the client's centre was asked to be (ICCCM's win_gravity Center), so that a frame nobody told
// the game about is centred all the same. False, and nothing shown, when the game is not on X11.
bool x11ShowFrameCentred(QWidget *window, const std::function<void()> &show);

} // namespace platform
