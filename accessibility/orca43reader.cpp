#include "accessibility/orca43reader.h"

#include "accessibility/readonlytext.h"

#include <QAccessibleObject>
#include <QWidget>

// Qt 6.4 sends a name or description change with an object where Orca 43
// wants the text, so Orca says nothing, and it has no announcement event.
// A text insertion carries the text itself, and Orca 43 speaks one whose
// text is also selected, if it comes from the focused object or a child of
// it. A cell's announcer is that child, and its whole text is always
// selected. Orca 43 speaks events in the order they come, so the player's
// mark said this way comes before the move of the focus to the computer's
// reply, and a description set on a cell is read whenever the focus comes
// to it.

namespace accessibility {
namespace {

// Holds what is to be said about the cell it belongs to. It is a plain child
// object of the cell, not a widget, so it has no place on the screen and the
// cell's accessible interface does not list it among its children.
class Announcer : public QObject
{
public:
    using QObject::QObject;
    QString message;

    static Announcer *of(QWidget *cell)
    {
        for (QObject *child : cell->children()) {
            if (auto *announcer = dynamic_cast<Announcer *>(child))
                return announcer;
        }
        return new Announcer(cell);
    }
};

class AnnouncerAccessible : public QAccessibleObject, public ReadOnlyText
{
public:
    explicit AnnouncerAccessible(Announcer *announcer) : QAccessibleObject(announcer) {}
    using ReadOnlyText::text; // the accessible name's text() below is another one

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

private:
    QString message() const { return static_cast<Announcer *>(object())->message; }
    QString whole() const override { return message(); }
    bool wholeSelected() const override { return true; }
};

} // namespace

QAccessibleInterface *Orca43Reader::interfaceFor(const QString &className, QObject *object)
{
    if (auto *announcer = dynamic_cast<Announcer *>(object))
        return new AnnouncerAccessible(announcer);
    return Reader::interfaceFor(className, object);
}

void Orca43Reader::announce(QWidget *cell, const QString &message)
{
    if (!mayListen())
        return;
    Announcer *announcer = Announcer::of(cell);
    announcer->message = message;
    QAccessibleTextInsertEvent event(announcer, 0, message);
    QAccessible::updateAccessibility(&event);
}

void Orca43Reader::announceBeforeFocus(QWidget *cell, const QString &message, QWidget *)
{
    announce(cell, message);
}

void Orca43Reader::describe(QWidget *cell, const QString &outcome)
{
    // Qt reports every setting to the screen reader, changed or not.
    if (cell->accessibleDescription() != outcome)
        cell->setAccessibleDescription(outcome);
}

} // namespace accessibility
