#include "accessibility/orca48reader.h"

#include "accessibility/readonlytext.h"
#include "main_window/deskbutton.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>

#include <utility>

// Orca 48 drops text inserted into an object that is not editable, but
// speaks Qt 6.8's announcement. It speaks a move of the focus before any
// other event that came with it, though, so an announcement of the player's
// mark would come after the computer's reply. The mark is said instead as
// the start of the reply's name, in the one utterance Orca makes as the
// focus comes there: the reply's words hold it until the player moves on or
// does anything there.
//
// Orca 48 also says the focused cell again whenever it is told that the
// cell's name changed, and says a new description of it, and may do so
// after the announcement or after the focus move has said it: twice, or out
// of order. So while a mark is placed in a cell, which the game tells of in
// its own words, the cell's name is empty as Qt reports the change, and Orca
// takes an empty one for no news. A cell cleared for a new game is told as
// Qt tells it.
// How a game ended is not a description either: Orca 48 keeps a cell's
// description for up to two seconds, and a player who came back to the
// winning cell sooner would not hear it. It ends the cell's name instead,
// which Orca reads afresh each time the focus comes to the cell.

namespace accessibility {
namespace {

// What a cell's name carries besides the cell itself. A plain child object
// of the cell, not a widget, so it has no place on the screen and no
// accessible interface.
class CellWords : public QObject
{
public:
    using QObject::QObject;
    QString before; // the player's mark, before the reply's name
    QString outcome;
    bool quiet = false;

    static CellWords *of(QWidget *cell)
    {
        if (CellWords *words = find(cell))
            return words;
        auto *words = new CellWords(cell);
        cell->installEventFilter(words);
        return words;
    }

    static CellWords *find(const QWidget *cell)
    {
        for (QObject *child : cell->children()) {
            if (auto *words = dynamic_cast<CellWords *>(child))
                return words;
        }
        return nullptr;
    }

protected:
    // What was to be said before the cell's name is forgotten as soon as the
    // player moves on or does anything there.
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::FocusOut:
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
            before.clear();
            break;
        default:
            break;
        }
        return false;
    }
};

// Orca 48 handles a window's activation ahead of any event that came before
// it. When a menu item opens a dialog, the menu bar has just handed the
// focus back to the cell it took it from, so Orca would say the dialog, then
// that cell as a return to the main window, then the dialog again as its
// button takes the focus. The focus the menu bar hands back is told once the
// item has done its work instead, and not at all if it opened a dialog,
// after which the focus comes back to the cell anew.
QPointer<QWidget> g_menuBarReturn;

void tellQt(QAccessibleEvent *event);

void update(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::NameChanged) {
        auto *cell = qobject_cast<DeskButton *>(event->object());
        if (cell && !cell->text().isEmpty()) {
            CellWords *words = CellWords::of(cell);
            words->quiet = true;
            tellQt(event);
            words->quiet = false;
            return;
        }
    }
    if (event->type() == QAccessible::Focus) {
        const QPointer<QWidget> returned = std::exchange(g_menuBarReturn, nullptr);
        if (returned && event->object() == returned) {
            QTimer::singleShot(0, returned.get(), [returned] {
                if (QApplication::activeModalWidget() || QApplication::focusWidget() != returned)
                    return;
                QAccessibleEvent focus(returned.get(), QAccessible::Focus);
                tellQt(&focus);
            });
            return;
        }
    }
    tellQt(event);
}

// Passes the event on to Qt's bridge to the reader, which Qt skips while a
// handler of the game's own is installed.
void tellQt(QAccessibleEvent *event)
{
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(update);
}

} // namespace

void Orca48Reader::install()
{
    static QPointer<QCoreApplication> installed;
    if (installed == qApp)
        return;
    installed = qApp;
    QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget *old, QWidget *now) {
        g_menuBarReturn = qobject_cast<QMenuBar *>(old) ? now : nullptr;
    });
    QAccessible::installUpdateHandler(update);
}

QAccessibleInterface *Orca48Reader::interfaceFor(const QString &className, QObject *object)
{
    if (isStatusLine(className, object))
        return new StatusBarAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

void Orca48Reader::announce(QWidget *cell, const QString &message)
{
    if (!mayListen())
        return;
    QAccessibleAnnouncementEvent event(cell, message);
    QAccessible::updateAccessibility(&event);
}

void Orca48Reader::announceBeforeFocus(QWidget *, const QString &message, QWidget *next)
{
    if (mayListen())
        CellWords::of(next)->before = message + QStringLiteral(". ");
}

QString Orca48Reader::spokenName(const QWidget *cell, const QString &name) const
{
    const CellWords *words = CellWords::find(cell);
    if (!words)
        return name;
    if (words->quiet)
        return QString();
    const QString told = words->before + name;
    return words->outcome.isEmpty() ? told : told + QStringLiteral(". ") + words->outcome;
}

void Orca48Reader::describe(QWidget *cell, const QString &outcome)
{
    if (CellWords *words = outcome.isEmpty() ? CellWords::find(cell) : CellWords::of(cell))
        words->outcome = outcome;
}

} // namespace accessibility
