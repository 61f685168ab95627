#include "accessibility/accessibility.h"
#include "main_window/frmmain.h"
#include "platform/page.h"
#include "platform/qpachoice.h"

#include <QApplication>

#ifdef Q_OS_UNIX
#include <clocale>
#include <cstring>
#include <langinfo.h>
#endif

int main(int argc, char *argv[])
{
    platform::preferX11Platform();
#ifdef Q_OS_UNIX
    // A fresh system sets no LANG. Qt 6.8 then switches to C.UTF-8 itself, with
    // a four-line notice on the terminal; asking for it before Qt reads the
    // environment gets the same locale without a word. An LC_ALL the user set
    // outranks LC_CTYPE and is left as it is.
    if (!qEnvironmentVariableIsSet("LC_ALL")) {
        std::setlocale(LC_ALL, "");
        if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
            qputenv("LC_CTYPE", "C.UTF-8");
    }
#endif
    QApplication app(argc, argv);
#ifdef Q_OS_UNIX
    // Qt reads and writes UTF-8 whatever the locale, but Xlib encodes the
    // X11 title WM_NAME in the C library's character set. In the C locale (no
    // LANG, as on a fresh system) the Russian title would reach the window
    // manager as Latin-1 garbage; C.UTF-8 is always there on glibc.
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
#endif
    QApplication::setApplicationName(QStringLiteral("zorbuny"));
    // The window titles end with it, so none gets it appended a second time.
    QApplication::setApplicationDisplayName(QStringLiteral("Зорбуны"));
    QApplication::setApplicationVersion(QStringLiteral(ZORBUNY_VERSION));
    frmMain window;
    accessibility::follow(window);
    platform::showMainWindow(&window);
    accessibility::windowShown(window);
    return app.exec();
}
