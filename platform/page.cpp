#include "platform/page.h"

#include <QWidget>

#ifdef Q_OS_WASM
#include <QGuiApplication>

#include <emscripten/val.h>
#endif

namespace platform {

void showMainWindow(QWidget *window)
{
#ifdef Q_OS_WASM
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    // The page's own script shows its closing words (platform/web/index.html).
    QObject::connect(qGuiApp, &QGuiApplication::lastWindowClosed, [] {
        emscripten::val::global("window").call<void>("zorbunyEnded");
    });
#endif
    window->show();
}

} // namespace platform
