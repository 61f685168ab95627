#pragma once

#include "main_window/reader.h"

namespace accessibility {

// Qt 6.8 with Orca 48, a Debian 13 desktop's pair.
class Orca48Reader final : public Reader
{
public:
    void install() override;
    QAccessibleInterface *interfaceFor(const QString &className, QObject *object) override;
    void announce(QWidget *cell, const QString &message) override;
    void announceThenFocus(QWidget *cell, const QString &message, QWidget *next) override;
    void quietly(QWidget *cell, const std::function<void()> &change) override;
    QString spokenName(const QWidget *cell, const QString &name) const override;
    void describe(QWidget *cell, const QString &outcome) override;
};

} // namespace accessibility
