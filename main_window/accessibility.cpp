#include "main_window/accessibility.h"

#include "main_window/reader.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QMenu>
#include <QProxyStyle>

// One reader's needs per build, as the platform and the Qt version meet
// them; main_window/CMakeLists.txt compiles the one chosen here.
#if defined(Q_OS_WASM)
#include "main_window/pagereader.h"
using ChosenReader = accessibility::PageReader;
#elif QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
#include "main_window/orca43reader.h"
using ChosenReader = accessibility::Orca43Reader;
#else
#include "main_window/orca48reader.h"
using ChosenReader = accessibility::Orca48Reader;
#endif

namespace accessibility {
namespace {

Reader &reader()
{
    static ChosenReader chosen;
    return chosen;
}

// Orca's "read status bar" command looks for an object in the status bar
// role; the labels below the board are its items.
constexpr char kStatusLine[] = "statusLine";

QAccessibleInterface *factory(const QString &className, QObject *object)
{
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

} // namespace

bool Reader::isStatusLine(const QString &className, const QObject *object)
{
    return className == QLatin1String("QWidget") &&
           object->objectName() == QLatin1String(kStatusLine);
}

QAccessibleInterface *Reader::interfaceFor(const QString &className, QObject *object)
{
    if (isStatusLine(className, object))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::StatusBar);
    return nullptr;
}

bool Reader::mayListen() const
{
    return QAccessible::isActive();
}

void Reader::quietly(QWidget *, const std::function<void()> &change)
{
    change();
}

QString Reader::spokenName(const QWidget *, const QString &name) const
{
    return name;
}

void install()
{
    QAccessible::installFactory(factory); // a second call changes nothing
    reader().install();
}

QWidget *statusLine(QWidget *parent)
{
    auto *line = new QWidget(parent);
    line->setObjectName(QLatin1String(kStatusLine));
    return line;
}

bool readerMayListen()
{
    return reader().mayListen();
}

void announce(QWidget *cell, const QString &message)
{
    reader().announce(cell, message);
}

void announceThenFocus(QWidget *cell, const QString &message, QWidget *next)
{
    reader().announceThenFocus(cell, message, next);
}

void quietly(QWidget *cell, const std::function<void()> &change)
{
    reader().quietly(cell, change);
}

QString spokenName(const QWidget *cell, const QString &name)
{
    return reader().spokenName(cell, name);
}

void describe(QWidget *cell, const QString &outcome)
{
    reader().describe(cell, outcome);
}

void letKeysReachDisabledItems(QMenu *menu)
{
    // A style of the same kind as the application's, which the proxy owns.
    auto *style = new DisabledItemsReachable(QApplication::style()->name());
    style->setParent(menu);
    menu->setStyle(style);
}

} // namespace accessibility
