#pragma once

#include "analysis/analysis.h"
#include "analysis/board.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class DeskButton;
class QAction;
class QButtonGroup;
class QLabel;
class QMenu;
class QTimer;

// What one click on the board came to, told once the click is dealt with: the
// player's cell, the computer's reply if one was placed, and how the game
// stands. A refused click is told too; nothing was placed then.
struct MoveAccount
{
    enum Standing {
        GoingOn,     // the reply is placed and the game goes on
        PlayerWon,   // the player's mark completed a line; no reply
        ComputerWon, // the reply completed a line
        BoardFull,   // the reply took the last empty cell, no line complete
        CellTaken,   // refused: the cell holds a mark already
        GameOver,    // refused: a line was complete before the click
    };
    int cell = 0;
    int reply = -1;
    Standing standing = GoingOn;
};

// The main window: the board of 196 buttons, the status line, the menus and
// the game clock, with the handlers that run a game. The board lives only in
// the buttons' captions; the analysis reads it through the Board interface.
// What the game does is told in signals, for whoever presents it besides the
// board and the status line, such as a screen reader.
class frmMain : public QMainWindow, public analysis::Board
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);

    std::string caption(int cell) const override;
    // A colour number: red in the low byte; one with the high bit set names a
    // system colour, which here is always the button face.
    void setBackColor(int cell, std::uint32_t colour) override;

    // The time of day as a fraction of a day, to whole seconds. The clock
    // reads it through this, so that a test can set the time.
    using TimeOfDay = std::function<double()>;
    void setTimeOfDay(TimeOfDay timeOfDay);

    void setVisible(bool visible) override;

    DeskButton *deskButton(int index) const { return cmdDesk.at(index); }

signals:
    // Emitted while the focus is still on the cell the player played, which
    // it leaves for the reply right after.
    void movePlayed(const MoveAccount &move);
    // Emitted once the board is empty and the clock reset.
    void newGameStarted();

private:
    void buildBoard(QWidget *client);
    void buildStatusLine(QWidget *client);
    void buildMenus();

    void Form_Load();
    void cmdDesk_Click(int Index);
    void mnuGameNew_Click();
    void mnuGameExit_Click();
    void mnuIfLine5_Click();
    void mnuIfLine6_Click();
    void mnuIfLine7_Click();
    void mnuHelpRules_Click();
    void mnuHelpAbout_Click();
    void Timer1_Timer();

    void setLineLength(int length);
    void tell(const MoveAccount &move);

    std::array<DeskButton *, analysis::kCellCount> cmdDesk{};
    QButtonGroup *m_desk = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *lblTime = nullptr;
    QLabel *lblLen = nullptr;
    QLabel *lblStep = nullptr;
    QTimer *Timer1 = nullptr;
    QMenu *mnuGame = nullptr;
    QAction *mnuGameNew = nullptr;
    QAction *mnuGameSeparator = nullptr;
    QAction *mnuGameExit = nullptr;
    QMenu *mnuIf = nullptr;
    QAction *mnuIfLine5 = nullptr;
    QAction *mnuIfLine6 = nullptr;
    QAction *mnuIfLine7 = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpRules = nullptr;
    QAction *mnuHelpseparator = nullptr;
    QAction *mnuHelpAbout = nullptr;

    int intLen = 0;
    int intStep = 0;
    double dblStart = 0.0;
    bool blnStarted = false;
    bool blnGameOver = false;

    analysis::Analysis m_analysis;
    TimeOfDay m_timeOfDay;
};
