#include "accessibility/reader.h"

#include "main_window/deskbutton.h"
#include "main_window/frmmain.h"

#include <QAccessibleWidget>

namespace accessibility {
namespace {

// Orca's "read status bar" command looks for an object in the status bar
// role; the labels below the board are its items.
constexpr char kStatusLine[] = "statusLine";

const QString kPlayerWon = QStringLiteral("Вы выиграли");
const QString kComputerWon = QStringLiteral("Компьютер выиграл");
const QString kBoardFull = QStringLiteral("Свободных клеток не осталось");
const QString kGameOver = QStringLiteral("Игра окончена");

QString sentences(const QString &first, const QString &then)
{
    return then.isEmpty() ? first : first + QStringLiteral(". ") + then;
}

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

QString Reader::spokenName(const QWidget *, const QString &name) const
{
    return name;
}

QString Reader::cellName(const DeskButton *cell)
{
    const QString content = cell->text().isEmpty() ? QStringLiteral("пусто") : cell->text();
    return QStringLiteral("ряд %1, столбец %2, %3")
        .arg(cell->row() + 1)
        .arg(cell->column() + 1)
        .arg(content);
}

void Reader::tellMove(const frmMain &window, const MoveAccount &move)
{
    DeskButton *played = window.deskButton(move.cell);
    // The cell the reader has in view: the one just played after a click or
    // a key; an assistive tool's "press" may have left the focus on another.
    auto *focused = qobject_cast<DeskButton *>(window.focusWidget());
    QWidget *inView = focused ? focused : played;

    switch (move.standing) {
    case MoveAccount::CellTaken:
    case MoveAccount::GameOver:
        // Nothing changes; the reader is told so, or would hear nothing at all.
        if (mayListen())
            announce(inView,
                     sentences(cellName(played),
                               move.standing == MoveAccount::GameOver ? kGameOver : QString()));
        return;
    case MoveAccount::PlayerWon:
        // How the game ended stays with the cell in view, for the reader to
        // tell again when the focus comes back to it.
        describe(inView, kPlayerWon);
        if (mayListen())
            announce(inView, sentences(cellName(played), kPlayerWon));
        return;
    case MoveAccount::GoingOn:
    case MoveAccount::ComputerWon:
    case MoveAccount::BoardFull:
        break;
    }
    // The X just placed, then where the computer replied; how the game ended
    // there is heard as the focus comes to the reply.
    DeskButton *reply = window.deskButton(move.reply);
    announceBeforeFocus(inView, cellName(played), reply);
    if (move.standing == MoveAccount::ComputerWon)
        describe(reply, kComputerWon);
    else if (move.standing == MoveAccount::BoardFull)
        describe(reply, kBoardFull);
}

void Reader::tellNewGame(const frmMain &window)
{
    for (int i = 0; i < analysis::kCellCount; ++i)
        describe(window.deskButton(i), QString());
}

} // namespace accessibility
