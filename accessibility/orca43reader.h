#pragma once

#include "accessibility/reader.h"

namespace accessibility {

// Qt 6.4 with Orca 43, a Debian 12 desktop's pair; Qt 6.4 builds for
// Windows get it too.
class Orca43Reader final : public Reader
{
public:
    QAccessibleInterface *interfaceFor(const QString &className, QObject *object) override;

protected:
    void announce(QWidget *cell, const QString &message) override;
    void announceBeforeFocus(QWidget *cell, const QString &message, QWidget *next) override;
    void describe(QWidget *cell, const QString &outcome) override;
};

} // namespace accessibility
