#include "accessibility/windowsreader.h"

#include <QAccessibleWidget>
#include <QLabel>

// What the Orca 48 reader does serves UI Automation too, as the Windows test
// hears it through Windows' own interface: the player's mark said at the start
// of the reply's name, in the one utterance a reader makes as the focus comes
// there (a notification before it would race the focus); a placed mark's name
// change kept quiet, since NVDA speaks any change of the focused control's
// name; a refused move and the ended game announced, which Qt 6.8 raises as a
// UI Automation notification; the status line a status bar with its labels.
//
// One thing differs. A Windows reader reads every text of a dialog as it
// opens, however short, where Orca reads only those of three words or more: a
// label whose name also holds another's text for Orca (the About window's
// title, which speaks for the version) would have that text said twice. Each
// label with a text is named by that text instead.

namespace accessibility {
namespace {

class OwnTextLabel : public QAccessibleWidget
{
public:
    explicit OwnTextLabel(QLabel *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Name)
            return static_cast<const QLabel *>(widget())->text();
        return QAccessibleWidget::text(type);
    }
};

} // namespace

QAccessibleInterface *WindowsReader::interfaceFor(const QString &className, QObject *object)
{
    auto *label = qobject_cast<QLabel *>(object);
    // Asked as the label is made, before any name is given to it; a picture keeps Qt's own.
    if (label && className == QLatin1String("QLabel") && !label->text().isEmpty())
        return new OwnTextLabel(label);
    return Orca48Reader::interfaceFor(className, object);
}

} // namespace accessibility
