#pragma once

#include "accessibility/reader.h"

namespace accessibility {

// The web page's screen reader, served by the page's own reader layer
// (readerlayer.h) in place of Qt's: it reads each widget's name
// afresh after every change and follows the focus, but reports no reader as
// listening and hears no announcements. So a move's mark is said just before
// the name of the cell the focus goes to, a refused move through the page's
// live region (platform::sayInPage), and the cells' names are never blanked.
class PageReader final : public Reader
{
public:
    bool mayListen() const override { return true; }
    QAccessibleInterface *interfaceFor(const QString &className, QObject *object) override;
    QString spokenName(const QWidget *cell, const QString &name) const override;

protected:
    void announce(QWidget *cell, const QString &message) override;
    void announceBeforeFocus(QWidget *cell, const QString &message, QWidget *next) override;
    void describe(QWidget *cell, const QString &outcome) override;
};

} // namespace accessibility
