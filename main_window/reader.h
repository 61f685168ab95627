#pragma once

#include <QString>

#include <functional>

class QAccessibleInterface;
class QObject;
class QWidget;

namespace accessibility {

// What the game tells one kind of screen reader beyond what Qt tells it by
// itself; accessibility.h says what each call is for. A build holds one:
// Qt 6.4 with Orca 43 (orca43reader.cpp), Qt 6.8 with Orca 48
// (orca48reader.cpp) or the web page (pagereader.cpp), chosen in
// accessibility.cpp. The defaults are what a reader gets where Qt tells it
// right by itself.
class Reader
{
public:
    virtual ~Reader() = default;

    // Set up once the window exists; a second call changes nothing.
    virtual void install() {}
    // The interface of an object of the game's that Qt would describe wrongly,
    // or null for Qt's own. The default makes the status line a status bar.
    virtual QAccessibleInterface *interfaceFor(const QString &className, QObject *object);

    virtual bool mayListen() const;
    virtual void announce(QWidget *cell, const QString &message) = 0;
    virtual void announceThenFocus(QWidget *cell, const QString &message, QWidget *next) = 0;
    virtual void quietly(QWidget *cell, const std::function<void()> &change);
    virtual QString spokenName(const QWidget *cell, const QString &name) const;
    virtual void describe(QWidget *cell, const QString &outcome) = 0;

protected:
    static bool isStatusLine(const QString &className, const QObject *object);
};

} // namespace accessibility
