#include "platform/modal.h"

#include <QDialog>

#include <memory>

namespace platform {

void showModal(QDialog *dialog)
{
#ifdef Q_OS_WASM
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
#else
    const std::unique_ptr<QDialog> owned(dialog);
    owned->exec();
#endif
}

} // namespace platform
