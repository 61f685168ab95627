#include "accessibility/accessibility.h"

#include "accessibility/reader.h"
#include "main_window/deskbutton.h"
#include "main_window/frmmain.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QMenu>
#include <QProxyStyle>

// One reader's needs per build, as the platform and the Qt version meet
// them; accessibility/CMakeLists.txt compiles the one chosen here.
#if defined(Q_OS_WASM)
#include "accessibility/pagereader.h"
#include "accessibility/readerlayer.h"
using ChosenReader = accessibility::PageReader;
#elif defined(Q_OS_WIN)
#include "accessibility/windowsreader.h"
using ChosenReader = accessibility::WindowsReader;
#elif QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
#include "accessibility/orca43reader.h"
using ChosenReader = accessibility::Orca43Reader;
#else
#include "accessibility/orca48reader.h"
using ChosenReader = accessibility::Orca48Reader;
#endif

namespace accessibility {
namespace {

Reader &reader()
{
    static ChosenReader chosen;
    return chosen;
}

// Qt's own button interface names a button by its caption, which on the board
// is only "X", "O" or nothing. This one names the cell by its place as well and
// otherwise acts as a button: QAbstractButton::setText already reports every
// change of the name. It reports no pressed state: a cell is down only while
// a key or the mouse is held, the move comes on release, and readers speak
// pressed only for toggle buttons.
class DeskButtonAccessible : public QAccessibleWidget
{
public:
    explicit DeskButtonAccessible(DeskButton *button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Name)
            return reader().spokenName(button(), Reader::cellName(button()));
        return QAccessibleWidget::text(type);
    }

    QStringList actionNames() const override
    {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    DeskButton *button() const { return static_cast<DeskButton *>(widget()); }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    auto *button = qobject_cast<DeskButton *>(object);
    if (button && className == QLatin1String(DeskButton::staticMetaObject.className()))
        return new DeskButtonAccessible(button);
    return reader().interfaceFor(className, object);
}

// Qt's Fusion style keeps the menu's keys off greyed items, so a reader never
// hears them; Qt's Windows style lets the keys stop on them, as this does.
class DisabledItemsReachable : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_Menu_AllowActiveAndDisabled)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Lets the arrow keys stop on the menu's greyed items as well, so that a
// reader can tell which one is checked and that none can be chosen now.
void letKeysReachDisabledItems(QMenu *menu)
{
    // A style of the same kind as the application's, which the proxy owns.
    auto *style = new DisabledItemsReachable(QApplication::style()->name());
    style->setParent(menu);
    menu->setStyle(style);
}

} // namespace

void follow(frmMain &window)
{
    QAccessible::installFactory(factory); // a second call changes nothing
    reader().install();
    if (auto *lineLengths = window.findChild<QMenu *>(QStringLiteral("mnuIf")))
        letKeysReachDisabledItems(lineLengths);
    QObject::connect(&window, &frmMain::movePlayed, &window,
                     [&window](const MoveAccount &move) { reader().tellMove(window, move); });
    QObject::connect(&window, &frmMain::newGameStarted, &window,
                     [&window] { reader().tellNewGame(window); });
}

void windowShown([[maybe_unused]] frmMain &window)
{
#if defined(Q_OS_WASM)
    web::startReader(&window);
#endif
}

} // namespace accessibility
