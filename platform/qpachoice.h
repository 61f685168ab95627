#pragma once

namespace platform {

// Chooses the X11 platform when the user has not chosen one in QT_QPA_PLATFORM and an X server
// answers, as XWayland does on a Wayland desktop. There the desktop's own window manager draws
// the title bars as the windows ask, where Qt's Wayland decorations would add a maximize button
// to every window and cut the titles short. Must run before the application object is made.
void preferX11Platform();

} // namespace platform
