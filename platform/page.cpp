#include "platform/page.h"

#include <QString>
#include <QWidget>

#ifdef Q_OS_WASM
#include <QGuiApplication>

#include <emscripten/val.h>
#endif

namespace platform {

void showMainWindow(QWidget *window)
{
#ifdef Q_OS_WASM
    // The page's own script shows its closing words (platform/web/index.html).
    QObject::connect(qGuiApp, &QGuiApplication::lastWindowClosed,
                     [] { emscripten::val::global("window").call<void>("zorbunyEnded"); });
    // Qt shows a page's windows full screen unless told otherwise; the game's keeps its size.
    // Shown, it would hand the focus on to the widget after the one that had it: that one
    // keeps it, as on a desktop.
    QWidget *focus = window->focusWidget();
    window->showNormal();
    if (focus)
        focus->setFocus();
#else
    window->show();
#endif
}

bool sayInPage([[maybe_unused]] const QString &text)
{
#ifdef Q_OS_WASM
    emscripten::val::global("window").call<void>("zorbunySay", text.toStdString());
    return true;
#else
    return false;
#endif
}

} // namespace platform
