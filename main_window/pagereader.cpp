#include "main_window/pagereader.h"

#include "platform/page.h"

#include <QAccessibleInterface>
#include <QVariant>
#include <QWidget>

namespace accessibility {
namespace {

// How the game ended at a cell, kept with the cell and put after its name.
constexpr char kOutcome[] = "zorbunyOutcome";

} // namespace

void PageReader::announce(QWidget *, const QString &message)
{
    platform::sayInPage(message);
}

void PageReader::announceThenFocus(QWidget *, const QString &message, QWidget *next)
{
    const QAccessibleInterface *nextCell = QAccessible::queryAccessibleInterface(next);
    m_said = message + QStringLiteral(". ") +
             (nextCell ? nextCell->text(QAccessible::Name) : QString());
    m_saidCell = next;
    platform::sayInPage(m_said);
    next->setFocus();
}

QString PageReader::spokenName(const QWidget *cell, const QString &name) const
{
    const QString outcome = cell->property(kOutcome).toString();
    return outcome.isEmpty() ? name : name + QStringLiteral(". ") + outcome;
}

void PageReader::describe(QWidget *cell, const QString &outcome)
{
    if (!outcome.isEmpty() && cell == m_saidCell)
        platform::sayInPage(m_said + QStringLiteral(". ") + outcome);
    cell->setProperty(kOutcome, outcome.isEmpty() ? QVariant() : QVariant(outcome));
}

} // namespace accessibility
