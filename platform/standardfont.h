#pragma once

class QWidget;

namespace platform {

// The font the game's windows draw their texts in. On Linux a window keeps the desktop's
// own font; on Windows it gets Segoe UI 9 pt, the font of Windows 10 and 11
// dialogs, whatever message font the system reports (Wine reports Tahoma); in a web
// page, DejaVu Sans 9 pt, the font the page carries.
// The status line and the rules fit their boxes to whichever font it is.
// Call it first in a window's constructor, before any text is measured.
void useStandardFont(QWidget *window);

} // namespace platform
