#pragma once

#include "main_window/reader.h"

#include <QPointer>

namespace accessibility {

// The web page's screen reader. Qt's bridge there hands the reader a copy
// of a widget's name each time the widget says it changed and never asks
// afresh (a name empty for a moment stays empty), never reports a reader as
// listening, and passes no announcements and no focus moves on. So the
// page's reader is told each move through a live region of the page's own
// (platform::sayInPage), with the name of the cell the focus goes to, and
// the cells' names are never blanked.
class PageReader final : public Reader
{
public:
    bool mayListen() const override { return true; }
    void announce(QWidget *cell, const QString &message) override;
    void announceThenFocus(QWidget *cell, const QString &message, QWidget *next) override;
    QString spokenName(const QWidget *cell, const QString &name) const override;
    void describe(QWidget *cell, const QString &outcome) override;

private:
    // The words last said of a move and the cell they ended on: how the game
    // ended, should that come with the move, is said after them.
    QString m_said;
    QPointer<QWidget> m_saidCell;
};

} // namespace accessibility
