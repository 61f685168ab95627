#pragma once

#include "accessibility/reader.h"

namespace accessibility {

// Qt 6.8 with Orca 48, a Debian 13 desktop's pair.
class Orca48Reader : public Reader
{
public:
    void install() override;
    QAccessibleInterface *interfaceFor(const QString &className, QObject *object) override;
    QString spokenName(const QWidget *cell, const QString &name) const override;

protected:
    void announce(QWidget *cell, const QString &message) override;
    void announceBeforeFocus(QWidget *cell, const QString &message, QWidget *next) override;
    void describe(QWidget *cell, const QString &outcome) override;
};

} // namespace accessibility
