#include "desktop/platform.h"
#include "main_window/frmmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    desktop::preferX11Platform();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zorbuny"));
    // The window titles end with it, so none gets it appended a second time.
    QApplication::setApplicationDisplayName(QStringLiteral("Зорбуны"));
    QApplication::setApplicationVersion(QStringLiteral(ZORBUNY_VERSION));
    frmMain window;
    window.show();
    return app.exec();
}
