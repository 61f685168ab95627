#pragma once

#include "main_window/frmmain.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

// The main window driven as a player drives it: clicks, menu commands and
// the clock. A test class derives from it beside QObject, calls open() in
// init() and close() in cleanup(). Positions are set up by writing the
// buttons' captions, which are the board.
class WindowDriver
{
public:
    static constexpr int kCells = 196;
    static constexpr int kSide = 14;
    // The colours of a won line: the player's and the computer's.
    static constexpr QRgb kGreen = qRgb(0, 255, 0);
    static constexpr QRgb kRed = qRgb(255, 0, 0);
    static constexpr const char *kLengthItems[] = {"mnuIfLine5", "mnuIfLine6", "mnuIfLine7"};

    // How a test brings a fresh window into a phase of the game.
    enum Scenario { Fresh, FirstExchange, PlayerWon, ComputerWon, NewGameMidGame, NewGameAfterWin };

    // The time of day as the window reads it: the fraction of a day gone.
    static double timeOfDay(int hours, int minutes, int seconds)
    {
        return (hours * 3600 + minutes * 60 + seconds) / 86400.0;
    }

protected:
    // A new window, shown, whose clock reads m_now, 10:00 to begin with. The
    // test waits for it as its platform allows: active, or only exposed.
    // beforeShown sets up what the game sets up there too, such as the
    // screen readers that follow the window (accessibility::follow).
    void open(const std::function<void(frmMain &)> &beforeShown = {})
    {
        m_window = std::make_unique<frmMain>();
        if (beforeShown)
            beforeShown(*m_window);
        m_now = timeOfDay(10, 0, 0);
        m_window->setTimeOfDay([this] { return m_now; });
        // Looked up once: the soak test reads every cell after every event.
        for (int i = 0; i < kCells; ++i)
            m_cells[i] = find<QPushButton>(QStringLiteral("cmdDesk(%1)").arg(i));
        m_window->show();
    }
    void close() { m_window.reset(); }

    template <typename T> T *find(const QString &name) const
    {
        auto *found = m_window->findChild<T *>(name);
        Q_ASSERT(found);
        return found;
    }
    QPushButton *cell(int index) const { return m_cells[index]; }
    QString text(const char *label) const { return find<QLabel>(QLatin1String(label))->text(); }
    QAction *action(const char *name) const { return find<QAction>(QLatin1String(name)); }
    bool clockRuns() const { return find<QTimer>(QStringLiteral("Timer1"))->isActive(); }
    void click(int index) { QTest::mouseClick(cell(index), Qt::LeftButton); }
    // The clock's timer firing, as it does each second: the window reads m_now.
    void tick()
    {
        QVERIFY(QMetaObject::invokeMethod(find<QTimer>(QStringLiteral("Timer1")), "timeout"));
    }
    void write(const QList<int> &cells, const QString &mark)
    {
        for (int index : cells)
            cell(index)->setText(mark);
    }

    void reach(Scenario scenario)
    {
        if (scenario == Fresh)
            return;
        click(0); // the first exchange: the reply goes to 90 and the clock starts
        if (scenario == PlayerWon || scenario == NewGameAfterWin) {
            write({101, 102, 103, 104}, QStringLiteral("X"));
            click(105); // five in row 7
        }
        if (scenario == ComputerWon) {
            write({30, 31, 32, 33}, QStringLiteral("O")); // a four on row 2, open at 29 and 34
            click(180);
        }
        if (scenario == NewGameMidGame)
            click(13);
        if (scenario == NewGameMidGame || scenario == NewGameAfterWin)
            action("mnuGameNew")->trigger();
    }

    std::unique_ptr<frmMain> m_window;
    std::array<QPushButton *, kCells> m_cells{};
    double m_now = 0;
};
