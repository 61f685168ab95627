#include "accessibility/pagereader.h"

#include "accessibility/readonlytext.h"
#include "platform/page.h"

#ifdef Q_OS_WASM
#include "accessibility/readerlayer.h"
#endif

#include <QVariant>
#include <QWidget>

namespace accessibility {
namespace {

// How the game ended at a cell, kept with the cell and put after its name.
constexpr char kOutcome[] = "zorbunyOutcome";

} // namespace

QAccessibleInterface *PageReader::interfaceFor(const QString &className, QObject *object)
{
    // The layer shows the status line's text, as the game's labels have it.
    if (isStatusLine(className, object))
        return new StatusBarAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

void PageReader::announce(QWidget *, const QString &message)
{
    platform::sayInPage(message);
}

void PageReader::announceBeforeFocus(QWidget *, const QString &message, QWidget *)
{
    // The page's reader layer says the mark as the start of what the move of the focus says.
    // Compiled on a desktop as well, where there is no layer to tell.
#ifdef Q_OS_WASM
    web::sayBeforeNextFocus(message);
#else
    Q_UNUSED(message);
#endif
}

QString PageReader::spokenName(const QWidget *cell, const QString &name) const
{
    const QString outcome = cell->property(kOutcome).toString();
    return outcome.isEmpty() ? name : name + QStringLiteral(". ") + outcome;
}

void PageReader::describe(QWidget *cell, const QString &outcome)
{
    // Said with the cell's name, which the layer reads afresh after every change.
    cell->setProperty(kOutcome, outcome.isEmpty() ? QVariant() : QVariant(outcome));
}

} // namespace accessibility
