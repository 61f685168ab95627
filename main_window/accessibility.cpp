#include "main_window/accessibility.h"

#include "platform/page.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QProxyStyle>

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
    bool quiet = false;
    QString outcome;

    static Announcer *of(QWidget *cell)
    {
        if (Announcer *announcer = find(cell))
            return announcer;
        auto *announcer = new Announcer(cell);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        cell->installEventFilter(announcer);
#endif
        return announcer;
    }

    static Announcer *find(const QWidget *cell)
    {
        for (QObject *child : cell->children()) {
            if (auto *announcer = dynamic_cast<Announcer *>(child))
                return announcer;
        }
        return nullptr;
    }

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
protected:
    // What was to be said before the cell's name is forgotten as soon as the
    // player moves on or does anything there.
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::FocusOut:
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
            message.clear();
            break;
        default:
            break;
        }
        return false;
    }
#endif
};

// A text interface that only reads out a text made when it is asked for: no caret, nothing
// to edit, and either all of the text selected or none of it.
class ReadOnlyText : public QAccessibleTextInterface
{
public:
    QString text(int startOffset, int endOffset) const override
    {
        return whole().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(whole().size()); }
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = selectionIndex < selectionCount() ? characterCount() : 0;
    }
    int selectionCount() const override { return wholeSelected() && !whole().isEmpty() ? 1 : 0; }
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

protected:
    virtual QString whole() const = 0;
    virtual bool wholeSelected() const = 0;
};

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)

// Qt 6.4 sends a name or description change with an object where Orca 43
// wants the text, so Orca says nothing, and it has no announcement event.
// A text insertion carries the text itself, and Orca 43 speaks one whose
// text is also selected, if it comes from the focused object or a child of
// it. The announcer is that child, and its whole text is always selected.
// Orca 43 speaks events in the order they come, so the player's mark said
// this way comes before the move of the focus to the computer's reply.
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

#else

// Orca 48 drops text inserted into an object that is not editable, but
// speaks Qt 6.8's announcement. It speaks a move of the focus before any
// other event that came with it, though, so an announcement of the player's
// mark would come after the computer's reply. The mark is said instead as
// the start of the reply's name, in the one utterance Orca makes as the
// focus comes there: the reply's announcer holds it until the player moves
// on or does anything there (spokenName() below).

// Orca 48 also says the focused cell again whenever it is told that the
// cell's name changed, and says a new description of it, and may do so
// after the announcement or after the focus move has said it: twice, or out
// of order. So while the game changes a cell's caption, which it tells of
// itself, the cell's name is empty, and Orca takes an empty one for no news.
// How a game ended is not a description either: Orca 48 keeps a cell's
// description for up to two seconds, and a player who came back to the
// winning cell sooner would not hear it. It ends the cell's name instead,
// which Orca reads afresh each time the focus comes to the cell.

// Orca 48 reads a status bar's items through their text, and skips labels
// without it, as Qt 6.8's are. The status bar itself gives the labels' texts
// instead, read from them when asked, so that the reader hears what they
// show at that moment: "Время игры: 0:01:05. Длина ряда: 5. Ход: 3."
class StatusBarAccessible : public QAccessibleWidget, public ReadOnlyText
{
public:
    explicit StatusBarAccessible(QWidget *line) : QAccessibleWidget(line, QAccessible::StatusBar) {}
    using QAccessibleWidget::text; // the accessible name's, and the text interface's below
    using ReadOnlyText::text;

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

private:
    bool wholeSelected() const override { return false; }
    // A caption ends in a colon and its value follows it; a value ends a sentence.
    QString whole() const override
    {
        QString result;
        for (const QLabel *label : widget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
            const QString text = label->text();
            result += text.endsWith(u':') ? text + u' ' : text + QStringLiteral(". ");
        }
        return result.trimmed();
    }
};
#endif

// Orca's "read status bar" command looks for an object in the status bar
// role; the labels below the board are its items.
constexpr char kStatusLine[] = "statusLine";

QAccessibleInterface *factory(const QString &className, QObject *object)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    if (auto *announcer = dynamic_cast<Announcer *>(object))
        return new AnnouncerAccessible(announcer);
#endif
    if (className == QLatin1String("QWidget") && object->objectName() == QLatin1String(kStatusLine)) {
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::StatusBar);
#else
        return new StatusBarAccessible(static_cast<QWidget *>(object));
#endif
    }
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

bool readerMayListen()
{
    return QAccessible::isActive() || platform::webPageReader();
}

void announce(QWidget *cell, const QString &message)
{
    if (!readerMayListen() || platform::sayInPage(message))
        return;
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    Announcer *announcer = Announcer::of(cell);
    announcer->message = message;
    QAccessibleTextInsertEvent event(announcer, 0, message);
#else
    QAccessibleAnnouncementEvent event(cell, message);
#endif
    QAccessible::updateAccessibility(&event);
}

void announceThenFocus(QWidget *cell, const QString &message, QWidget *next)
{
    // A page's reader hears the mark as the start of what the move of the focus says.
    if (platform::sayBeforeNextFocus(message)) {
        next->setFocus();
        return;
    }
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    announce(cell, message);
#else
    Q_UNUSED(cell);
    if (QAccessible::isActive())
        Announcer::of(next)->message = message + QStringLiteral(". ");
#endif
    next->setFocus();
}

void quietly(QWidget *cell, const std::function<void()> &change)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // A page's reader keeps the name it was last handed: the cell's own.
    if (platform::webPageReader()) {
        change();
        return;
    }
    Announcer *announcer = Announcer::of(cell);
    announcer->quiet = true;
    change();
    announcer->quiet = false;
#else
    Q_UNUSED(cell);
    change();
#endif
}

QString spokenName(const QWidget *cell, const QString &name)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    if (const Announcer *announcer = Announcer::find(cell)) {
        if (announcer->quiet)
            return QString();
        const QString told = announcer->message + name;
        return announcer->outcome.isEmpty() ? told : told + QStringLiteral(". ") + announcer->outcome;
    }
#else
    Q_UNUSED(cell);
#endif
    return name;
}

void describe(QWidget *cell, const QString &outcome)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    if (Announcer *announcer = outcome.isEmpty() ? Announcer::find(cell) : Announcer::of(cell))
        announcer->outcome = outcome;
#else
    // Qt reports every setting to the screen reader, changed or not.
    if (cell->accessibleDescription() != outcome)
        cell->setAccessibleDescription(outcome);
#endif
}

void letKeysReachDisabledItems(QMenu *menu)
{
    // A style of the same kind as the application's, which the proxy owns.
    auto *style = new DisabledItemsReachable(QApplication::style()->name());
    style->setParent(menu);
    menu->setStyle(style);
}

} // namespace accessibility
