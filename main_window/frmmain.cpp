#include "main_window/frmmain.h"

#include "dialogs/frmabout.h"
#include "dialogs/frmhelp.h"
#include "main_window/deskbutton.h"
#include "platform/modal.h"
#include "platform/screencentre.h"
#include "platform/standardfont.h"
#include "resources/icons.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {

// The layout is drawn in twips, 15 to the logical pixel.
constexpr int pixels(int twips)
{
    return (twips * 2 + 15) / 30;
}

constexpr int kClientWidth = 5400;
constexpr int kClientHeight = 5595;
constexpr int kDeskLeft = 173;
constexpr int kDeskTop = 120;
constexpr int kDeskStep = 360;
constexpr int kDeskSize = 375;
constexpr int kStatusTop = 5280;

constexpr int kFirstReply = 90; // row 6, column 6; 91 beside it when taken
constexpr std::uint32_t kSystemColour = 0x80000000;
constexpr std::uint32_t kButtonFace = 0x8000000F;
constexpr int kSecondsPerDay = 24 * 60 * 60;

const QString kPlayer = QStringLiteral("X");
const QString kComputer = QStringLiteral("O");

double currentTimeOfDay()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000 / double(kSecondsPerDay);
}

// Hours without a leading zero, 24-hour: the form of the reset text "0:00:00".
QString longTime(double days)
{
    const int seconds = qRound(days * kSecondsPerDay) % kSecondsPerDay;
    return QTime(0, 0).addSecs(seconds).toString(QStringLiteral("H:mm:ss"));
}

struct StatusLabel
{
    QLabel *frmMain::*label;
    const char *name;
    const char *text;
    int left;
    int width;
    int height;
    bool autoSize;
    const char *widestText; // what a fixed box must hold in play
};

} // namespace

frmMain::frmMain(QWidget *parent) : QMainWindow(parent), m_timeOfDay(currentTimeOfDay)
{
    platform::useStandardFont(this);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral(" Игра Зорбуны"));
    setWindowIcon(programIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(pixels(kClientWidth), pixels(kClientHeight));
    setCentralWidget(client);

    buildBoard(client);
    buildStatusLine(client);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);

    buildMenus();

    // The window takes the size of its client area and menu bar, and keeps it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();

    cmdDesk[0]->setFocus();
    Form_Load();
}

void frmMain::setVisible(bool visible)
{
    // Placed as it is first shown, when its frame can be known, so it opens where it stays.
    if (visible && !isVisible() && !testAttribute(Qt::WA_Moved)) {
        platform::showCentred(this, [this] { QMainWindow::setVisible(true); });
        return;
    }
    QMainWindow::setVisible(visible);
}

void frmMain::buildBoard(QWidget *client)
{
    QFont deskFont = font();
    deskFont.setPointSizeF(8.25);
    deskFont.setBold(true);

    // In one group the cells answer the arrow keys as well: QAbstractButton
    // moves the focus to the nearest cell in the key's direction, and at an
    // edge of the board leaves it where it is.
    m_desk = new QButtonGroup(this);
    // Created in index order, so that Tab walks the board row by row.
    for (int i = 0; i < analysis::kCellCount; ++i) {
        const int row = i / analysis::kBoardSide;
        const int column = i % analysis::kBoardSide;
        auto *button = new DeskButton(row, column, client);
        button->setObjectName(QStringLiteral("cmdDesk(%1)").arg(i));
        button->setFont(deskFont);
        button->setGeometry(pixels(kDeskLeft + kDeskStep * column),
                            pixels(kDeskTop + kDeskStep * row), pixels(kDeskSize),
                            pixels(kDeskSize));
        m_desk->addButton(button, i);
        cmdDesk[i] = button;
    }
    connect(m_desk, &QButtonGroup::idClicked, this, &frmMain::cmdDesk_Click);
}

void frmMain::buildStatusLine(QWidget *client)
{
    static constexpr StatusLabel kLabels[] = {
        {&frmMain::Label2, "Label2", "Время игры:", 240, 960, 195, true, nullptr},
        {&frmMain::lblTime, "lblTime", "0:00:00", 1320, 615, 255, false, "0:00:00"},
        {&frmMain::Label3, "Label3", "Длина ряда:", 2520, 945, 195, true, nullptr},
        {&frmMain::lblLen, "lblLen", "5", 3600, 90, 195, true, "7"},
        {&frmMain::Label1, "Label1", "Ход:", 4320, 330, 195, true, nullptr},
        {&frmMain::lblStep, "lblStep", "0", 4800, 255, 255, false, "98"},
    };
    constexpr int labelCount = int(std::size(kLabels));

    // The places were laid out for a narrow font. A wider one, such as the
    // usual DejaVu Sans, would run a label into the next, so the status line
    // takes the window's font made just small enough for its texts to fit.
    const auto fits = [&](const QFont &candidate) {
        const QFontMetrics metrics(candidate);
        for (int i = 0; i < labelCount; ++i) {
            const StatusLabel &label = kLabels[i];
            const QString text =
                QString::fromUtf8(label.widestText ? label.widestText : label.text);
            const int room = label.autoSize && i + 1 < labelCount
                                 ? pixels(kLabels[i + 1].left - label.left) - 3
                                 : pixels(label.width);
            if (metrics.horizontalAdvance(text) > room)
                return false;
        }
        return true;
    };
    QFont statusFont = font();
    if (statusFont.pointSizeF() > 0) {
        while (!fits(statusFont) && statusFont.pointSizeF() > 6.0)
            statusFont.setPointSizeF(statusFont.pointSizeF() - 0.25);
    }

    // The labels stand in a strip of their own below the board, which a
    // screen reader is shown as the window's status bar.
    auto *line = new QWidget(client);
    line->setObjectName(QStringLiteral("statusLine"));
    line->setGeometry(0, pixels(kStatusTop), client->width(),
                      client->height() - pixels(kStatusTop));
    for (const StatusLabel &place : kLabels) {
        auto *label = new QLabel(QString::fromUtf8(place.text), line);
        label->setObjectName(QString::fromLatin1(place.name));
        label->setFont(statusFont);
        // Text at the top of its box: the fixed boxes are taller than the
        // others and would otherwise set their text lower than the rest.
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->move(pixels(place.left), 0);
        if (place.autoSize)
            label->adjustSize();
        else
            label->resize(pixels(place.width), pixels(place.height));
        this->*place.label = label;
    }
}

void frmMain::buildMenus()
{
    const auto addItem = [](QMenu *menu, const char *name, const char *text) {
        QAction *item = menu->addAction(QString::fromUtf8(text));
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };
    const auto addSeparator = [](QMenu *menu, const char *name) {
        QAction *separator = menu->addSeparator();
        separator->setObjectName(QString::fromLatin1(name));
        return separator;
    };

    mnuGame = menuBar()->addMenu(QStringLiteral("&Игра"));
    mnuGame->setObjectName(QStringLiteral("mnuGame"));
    mnuGameNew = addItem(mnuGame, "mnuGameNew", "&Новая игра");
    mnuGameSeparator = addSeparator(mnuGame, "mnuGameSeparator");
    mnuGameExit = addItem(mnuGame, "mnuGameExit", "&Выход");

    mnuIf = menuBar()->addMenu(QStringLiteral("&Условие"));
    mnuIf->setObjectName(QStringLiteral("mnuIf"));
    mnuIfLine5 = addItem(mnuIf, "mnuIfLine5", "&5 в ряду");
    mnuIfLine6 = addItem(mnuIf, "mnuIfLine6", "&6 в ряду");
    mnuIfLine7 = addItem(mnuIf, "mnuIfLine7", "&7 в ряду");
    for (QAction *item : {mnuIfLine5, mnuIfLine6, mnuIfLine7})
        item->setCheckable(true);
    mnuIfLine5->setChecked(true);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Справка"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpRules = addItem(mnuHelp, "mnuHelpRules", "&Правила игры");
    mnuHelpseparator = addSeparator(mnuHelp, "mnuHelpseparator");
    mnuHelpAbout = addItem(mnuHelp, "mnuHelpAbout", "&О программе");

    connect(mnuGameNew, &QAction::triggered, this, &frmMain::mnuGameNew_Click);
    connect(mnuGameExit, &QAction::triggered, this, &frmMain::mnuGameExit_Click);
    connect(mnuIfLine5, &QAction::triggered, this, &frmMain::mnuIfLine5_Click);
    connect(mnuIfLine6, &QAction::triggered, this, &frmMain::mnuIfLine6_Click);
    connect(mnuIfLine7, &QAction::triggered, this, &frmMain::mnuIfLine7_Click);
    connect(mnuHelpRules, &QAction::triggered, this, &frmMain::mnuHelpRules_Click);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
}

std::string frmMain::caption(int cell) const
{
    return cmdDesk.at(cell)->text().toStdString();
}

void frmMain::setBackColor(int cell, std::uint32_t colour)
{
    DeskButton *button = cmdDesk.at(cell);
    if (colour & kSystemColour)
        button->setFaceColour(QColor());
    else
        button->setFaceColour(QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
}

void frmMain::setTimeOfDay(TimeOfDay timeOfDay)
{
    m_timeOfDay = std::move(timeOfDay);
}

void frmMain::Form_Load()
{
    intLen = 5;
}

void frmMain::cmdDesk_Click(int Index)
{
    if (!cmdDesk[Index]->text().isEmpty() || blnGameOver) {
        tell({.cell = Index,
              .standing = blnGameOver ? MoveAccount::GameOver : MoveAccount::CellTaken});
        return;
    }
    cmdDesk[Index]->setText(kPlayer);
    ++intStep;
    lblStep->setText(QString::number(intStep));
    if (m_analysis.CheckWin(*this, Index, kPlayer.toStdString(), intLen)) {
        blnGameOver = true;
        Timer1->stop();
        tell({.cell = Index, .standing = MoveAccount::PlayerWon});
        return;
    }
    int reply = 0;
    if (intStep == 1)
        reply = cmdDesk[kFirstReply]->text().isEmpty() ? kFirstReply : kFirstReply + 1;
    else
        reply = m_analysis.ChooseMove(*this, intLen);
    cmdDesk[reply]->setText(kComputer);
    if (m_analysis.CheckWin(*this, reply, kComputer.toStdString(), intLen)) {
        blnGameOver = true;
        Timer1->stop();
        tell({.cell = Index, .reply = reply, .standing = MoveAccount::ComputerWon});
        return;
    }
    const bool boardFull = std::none_of(cmdDesk.begin(), cmdDesk.end(),
                                        [](auto *cell) { return cell->text().isEmpty(); });
    if (!blnStarted) {
        dblStart = m_timeOfDay();
        Timer1->start();
        blnStarted = true;
        mnuIfLine5->setEnabled(false);
        mnuIfLine6->setEnabled(false);
        mnuIfLine7->setEnabled(false);
    }
    tell({.cell = Index,
          .reply = reply,
          .standing = boardFull ? MoveAccount::BoardFull : MoveAccount::GoingOn});
}

// The move is told while the focus is still where the player played, so that
// a screen reader can speak of the player's mark first; then the focus follows
// the reply, where the player's keys go on from.
void frmMain::tell(const MoveAccount &move)
{
    emit movePlayed(move);
    if (move.reply >= 0)
        cmdDesk[move.reply]->setFocus();
}

void frmMain::mnuGameNew_Click()
{
    intStep = 0;
    lblStep->setText(QStringLiteral("0"));
    lblTime->setText(QStringLiteral("0:00:00"));
    for (int i = 0; i < analysis::kCellCount; ++i) {
        cmdDesk[i]->setText(QString());
        setBackColor(i, kButtonFace);
    }
    blnStarted = false;
    Timer1->stop();
    blnGameOver = false;
    mnuIfLine5->setEnabled(true);
    mnuIfLine6->setEnabled(true);
    mnuIfLine7->setEnabled(true);
    emit newGameStarted();
}

void frmMain::mnuGameExit_Click()
{
    close();
}

void frmMain::mnuIfLine5_Click()
{
    setLineLength(5);
}

void frmMain::mnuIfLine6_Click()
{
    setLineLength(6);
}

void frmMain::mnuIfLine7_Click()
{
    setLineLength(7);
}

// A checkable item has already toggled itself when this runs; the marks are
// set afresh, so choosing the length in force leaves its mark on.
void frmMain::setLineLength(int length)
{
    intLen = length;
    lblLen->setText(QString::number(length));
    lblLen->adjustSize();
    mnuIfLine5->setChecked(length == 5);
    mnuIfLine6->setChecked(length == 6);
    mnuIfLine7->setChecked(length == 7);
}

void frmMain::mnuHelpRules_Click()
{
    platform::showModal(new frmHelp(this));
}

void frmMain::mnuHelpAbout_Click()
{
    platform::showModal(new frmAbout(this));
}

void frmMain::Timer1_Timer()
{
    double elapsed = m_timeOfDay() - dblStart;
    if (elapsed < 0)
        elapsed += 1.0; // the game has run past midnight
    lblTime->setText(longTime(elapsed));
}
