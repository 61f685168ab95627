#pragma once

class QDialog;

namespace platform {

// Shows a dialog made with new as an application-modal window and deletes it once it is
// closed. On the desktop the call returns when the dialog has closed, as QDialog::exec() does.
// In a web page nothing can wait inside a call without asyncify, which would make the download
// much larger, so there the dialog opens and the call returns at once.
void showModal(QDialog *dialog);

} // namespace platform
