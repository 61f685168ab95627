#pragma once

#include <QMargins>

#include <optional>

class QWidget;

namespace platform {

// Whether an X server answers on $DISPLAY; only a connection is opened and closed.
bool x11DisplayReachable();

// The frame the window manager will put around a window that is not yet shown, asked of it
// with _NET_REQUEST_FRAME_EXTENTS. Creates the native window if need be. Nothing when the game
// is not on X11, when the window manager offers no such request, or when it does not answer.
std::optional<QMargins> x11FrameExtents(QWidget *window);

} // namespace platform
