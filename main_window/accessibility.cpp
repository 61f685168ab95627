#include "main_window/accessibility.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMenu>
#include <QProxyStyle>

namespace accessibility {
namespace {

// Holds what was last said about the cell it belongs to. It is a plain child
// object of the cell, not a widget, so it has no place on the screen and the
// cell's accessible interface does not list it among its children.
class Announcer : public QObject
{
public:
    using QObject::QObject;
    QString message;
};

// Qt 6.4 sends a name or description change with an object where Orca 43
// wants the text, so Orca says nothing. A text insertion carries the text
// itself, and Orca speaks one whose text is also selected, if it comes from
// the focused object or a child of it. The announcer is that child, and
// its whole text is always selected.
class AnnouncerAccessible : public QAccessibleObject, public QAccessibleTextInterface
{
public:
    explicit AnnouncerAccessible(Announcer *announcer) : QAccessibleObject(announcer) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleObject::interface_cast(type);
    }

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(object()->parent());
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }
    QString text(QAccessible::Text type) const override
    {
        return type == QAccessible::Name ? message() : QString();
    }

    QString text(int startOffset, int endOffset) const override
    {
        return message().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(message().size()); }
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = selectionIndex == 0 ? characterCount() : 0;
    }
    int selectionCount() const override { return message().isEmpty() ? 0 : 1; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    QString message() const { return static_cast<Announcer *>(object())->message; }
};

// Orca's "read status bar" command looks for an object in the status bar
// role; the labels below the board are its items.
constexpr char kStatusLine[] = "statusLine";

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (auto *announcer = dynamic_cast<Announcer *>(object))
        return new AnnouncerAccessible(announcer);
    if (className == QLatin1String("QWidget") && object->objectName() == QLatin1String(kStatusLine))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::StatusBar);
    return nullptr;
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

void install()
{
    QAccessible::installFactory(factory); // a second call changes nothing
}

QWidget *statusLine(QWidget *parent)
{
    auto *line = new QWidget(parent);
    line->setObjectName(QLatin1String(kStatusLine));
    return line;
}

void announce(QWidget *cell, const QString &message)
{
    if (!QAccessible::isActive())
        return;
    Announcer *announcer = nullptr;
    for (QObject *child : cell->children()) {
        if ((announcer = dynamic_cast<Announcer *>(child)))
            break;
    }
    if (!announcer)
        announcer = new Announcer(cell);
    announcer->message = message;
    QAccessibleTextInsertEvent event(announcer, 0, message);
    QAccessible::updateAccessibility(&event);
}

void letKeysReachDisabledItems(QMenu *menu)
{
    // A style of the same kind as the application's, which the proxy owns.
    auto *style = new DisabledItemsReachable(QApplication::style()->name());
    style->setParent(menu);
    menu->setStyle(style);
}

} // namespace accessibility
