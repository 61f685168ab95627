#include "main_window/frmmain.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <initializer_list>
#include <memory>

namespace {

constexpr int kCells = 196;
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kRed = qRgb(255, 0, 0);

double timeOfDay(int hours, int minutes, int seconds)
{
    return (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

QString cellList(const QList<int> &cells)
{
    QStringList names;
    for (int cell : cells)
        names << QString::number(cell);
    return names.join(QLatin1Char(','));
}

QList<int> range(int first, int last)
{
    QList<int> cells;
    for (int cell = first; cell <= last; ++cell)
        cells << cell;
    return cells;
}

// How a test brings a fresh window into a phase of the game.
enum Scenario { Fresh, FirstExchange, Won, NewGameMidGame, NewGameAfterWin };

} // namespace

// The main window driven as a player would: clicks, keys and menu commands,
// with positions set up by writing the buttons' captions, which are the board.
class TestFrmMain : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // How the window is laid out.
    void windowFrame();
    void boardButtons_data();
    void boardButtons();
    void statusLabels_data();
    void statusLabels();
    void statusTextsDoNotRunIntoEachOther();
    void menus_data();
    void menus();
    void clockTimerAtRest();
    void focusStartsOnFirstCell();
    void tabWalksTheBoardRowByRow_data();
    void tabWalksTheBoardRowByRow();

    // How a game runs.
    void firstReply_data();
    void firstReply();
    void refusedClickChangesNothing_data();
    void refusedClickChangesNothing();
    void countShowsPlayerMovesOnly();
    void playerWinGetsNoReply();
    void computerWinningReplyIsRedAndFocused();
    void phases_data();
    void phases();
    void newGameMidGameRestoresTheBoard();
    void lineLength_data();
    void lineLength();
    void lineLengthInForceStaysChecked();
    void lineLengthSevenKeptAcrossNewGame();
    void clock_data();
    void clock();
    void clockCountsFromFirstExchange();
    void fullBoardWithoutWinKeepsClockRunning();
    void keyboardActivatesFocusedCell_data();
    void keyboardActivatesFocusedCell();
    void dialogsAreModalAndLeaveTheGameAlone_data();
    void dialogsAreModalAndLeaveTheGameAlone();
    void exitClosesWindow();

private:
    QPushButton *cell(int index) const;
    QLabel *label(const char *name) const;
    QAction *action(const char *name) const;
    QTimer *timer() const;
    void click(int index);
    void tick();
    void write(const QList<int> &cells, const QString &mark);
    int count(const QString &mark) const;
    QList<int> paintedCells(QRgb colour) const;
    QString state() const;
    void reach(Scenario scenario);
    void playerWinsOnRowSeven();

    std::unique_ptr<frmMain> m_window;
    double m_now = 0;
};

void TestFrmMain::init()
{
    m_window = std::make_unique<frmMain>();
    m_now = timeOfDay(10, 0, 0);
    m_window->setTimeOfDay([this] { return m_now; });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestFrmMain::cleanup()
{
    m_window.reset();
}

QPushButton *TestFrmMain::cell(int index) const
{
    auto *button = m_window->findChild<QPushButton *>(QStringLiteral("cmdDesk(%1)").arg(index));
    Q_ASSERT(button);
    return button;
}

QLabel *TestFrmMain::label(const char *name) const
{
    auto *found = m_window->findChild<QLabel *>(QLatin1String(name));
    Q_ASSERT(found);
    return found;
}

QAction *TestFrmMain::action(const char *name) const
{
    auto *found = m_window->findChild<QAction *>(QLatin1String(name));
    Q_ASSERT(found);
    return found;
}

QTimer *TestFrmMain::timer() const
{
    auto *found = m_window->findChild<QTimer *>(QStringLiteral("Timer1"));
    Q_ASSERT(found);
    return found;
}

void TestFrmMain::click(int index)
{
    QTest::mouseClick(cell(index), Qt::LeftButton);
}

// A tick of the clock as the timer delivers it, without waiting for it.
void TestFrmMain::tick()
{
    QVERIFY(QMetaObject::invokeMethod(timer(), "timeout"));
}

void TestFrmMain::write(const QList<int> &cells, const QString &mark)
{
    for (int index : cells)
        cell(index)->setText(mark);
}

int TestFrmMain::count(const QString &mark) const
{
    int marks = 0;
    for (int i = 0; i < kCells; ++i)
        marks += cell(i)->text() == mark;
    return marks;
}

// Cells whose face shows the colour, read from what the buttons draw.
QList<int> TestFrmMain::paintedCells(QRgb colour) const
{
    QList<int> cells;
    for (int i = 0; i < kCells; ++i) {
        const QImage image = cell(i)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int pixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                pixels += image.pixel(x, y) == colour;
        if (pixels > image.width() * image.height() / 3)
            cells << i;
        else if (pixels > 0)
            cells << -i - 1000; // a few stray pixels of the colour: never right
    }
    return cells;
}

// Everything a refused click must leave as it was.
QString TestFrmMain::state() const
{
    QStringList parts;
    for (int i = 0; i < kCells; ++i)
        parts << cell(i)->text();
    parts << label("lblStep")->text() << label("lblTime")->text() << label("lblLen")->text();
    parts << (timer()->isActive() ? QStringLiteral("clock on") : QStringLiteral("clock off"));
    for (const char *item : {"mnuIfLine5", "mnuIfLine6", "mnuIfLine7"})
        parts << QStringLiteral("%1 enabled %2 checked %3")
                     .arg(QLatin1String(item))
                     .arg(action(item)->isEnabled())
                     .arg(action(item)->isChecked());
    parts << QStringLiteral("green ") + cellList(paintedCells(kGreen));
    parts << QStringLiteral("red ") + cellList(paintedCells(kRed));
    return parts.join(QLatin1Char('|'));
}

// The player's first move starts the clock; then a row of four on row 7,
// written in, is completed by a click on its fifth cell.
void TestFrmMain::playerWinsOnRowSeven()
{
    click(0);
    write(range(101, 104), QStringLiteral("X"));
    click(105);
}

void TestFrmMain::reach(Scenario scenario)
{
    switch (scenario) {
    case Fresh:
        break;
    case FirstExchange:
        click(0);
        break;
    case Won:
        playerWinsOnRowSeven();
        break;
    case NewGameMidGame:
        click(0);
        click(13);
        action("mnuGameNew")->trigger();
        break;
    case NewGameAfterWin:
        playerWinsOnRowSeven();
        action("mnuGameNew")->trigger();
        break;
    }
}

void TestFrmMain::windowFrame()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral(" Игра Зорбуны"));
    QVERIFY(!m_window->windowIcon().pixmap(16, 16).isNull());
    QCOMPARE(m_window->centralWidget()->size(), QSize(360, 373));
    QCOMPARE(m_window->centralWidget()->geometry().bottom(), m_window->height() - 1);
    QCOMPARE(m_window->minimumSize(), m_window->size());
    QCOMPARE(m_window->maximumSize(), m_window->size());
    QVERIFY(m_window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!m_window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    // Centred as it is created, before the desktop adds its frame: the gaps
    // to the screen's edges differ by no more than the frame's thickness.
    const QRect screen = m_window->screen()->availableGeometry();
    const QRect inner = m_window->geometry();
    const QRect outer = m_window->frameGeometry();
    const int sideFrame = inner.left() - outer.left() + outer.right() - inner.right();
    const int topFrame = inner.top() - outer.top() + outer.bottom() - inner.bottom();
    QVERIFY(qAbs((inner.left() - screen.left()) - (screen.right() - inner.right())) <=
            sideFrame + 1);
    QVERIFY(qAbs((inner.top() - screen.top()) - (screen.bottom() - inner.bottom())) <=
            topFrame + 1);
}

void TestFrmMain::boardButtons_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("top-left cell 0") << 0 << QPoint(12, 8);
    QTest::newRow("its right neighbour, one pixel over") << 1 << QPoint(36, 8);
    QTest::newRow("top-right cell 13") << 13 << QPoint(324, 8);
    QTest::newRow("first of the second row, one pixel over") << 14 << QPoint(12, 32);
    QTest::newRow("centre cell 90") << 90 << QPoint(156, 152);
    QTest::newRow("bottom-left cell 182") << 182 << QPoint(12, 320);
    QTest::newRow("bottom-right cell 195") << 195 << QPoint(324, 320);
}

void TestFrmMain::boardButtons()
{
    QFETCH(int, index);
    QFETCH(QPoint, position);
    QPushButton *button = cell(index);
    QCOMPARE(button->mapTo(m_window->centralWidget(), QPoint(0, 0)), position);
    QCOMPARE(button->size(), QSize(25, 25));
    QCOMPARE(button->text(), QString());
    QVERIFY(button->font().bold());
    QCOMPARE(button->font().pointSizeF(), 8.25);
}

void TestFrmMain::statusLabels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("left");
    QTest::addColumn<QSize>("fixedBox"); // empty: the label sizes itself
    QTest::newRow("Label2") << "Label2"
                            << "Время игры:" << 16 << QSize();
    QTest::newRow("lblTime") << "lblTime"
                             << "0:00:00" << 88 << QSize(41, 17);
    QTest::newRow("Label3") << "Label3"
                            << "Длина ряда:" << 168 << QSize();
    QTest::newRow("lblLen") << "lblLen"
                            << "5" << 240 << QSize();
    QTest::newRow("Label1") << "Label1"
                            << "Ход:" << 288 << QSize();
    QTest::newRow("lblStep") << "lblStep"
                             << "0" << 320 << QSize(17, 17);
}

void TestFrmMain::statusLabels()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, left);
    QFETCH(QSize, fixedBox);
    QLabel *status = label(name.toLatin1().constData());
    QCOMPARE(status->text(), text);
    QCOMPARE(status->mapTo(m_window->centralWidget(), QPoint(0, 0)), QPoint(left, 352));
    QVERIFY(status->geometry().bottom() < 373);
    if (fixedBox.isValid())
        QCOMPARE(status->size(), fixedBox);
    else
        QCOMPARE(status->size(), status->sizeHint());
}

void TestFrmMain::statusTextsDoNotRunIntoEachOther()
{
    const char *order[] = {"Label2", "lblTime", "Label3", "lblLen", "Label1", "lblStep"};
    for (int i = 0; i + 1 < int(std::size(order)); ++i) {
        QLabel *left = label(order[i]);
        QLabel *right = label(order[i + 1]);
        const int textEnd = left->x() + left->fontMetrics().horizontalAdvance(left->text());
        QVERIFY2(textEnd < right->x(), order[i]);
        QVERIFY2(left->geometry().right() < right->x(), order[i]);
    }
    QLabel *time = label("lblTime");
    QVERIFY(time->fontMetrics().horizontalAdvance(QStringLiteral("0:59:59")) <= time->width());
    QLabel *step = label("lblStep");
    QVERIFY(step->fontMetrics().horizontalAdvance(QStringLiteral("98")) <= step->width());
}

void TestFrmMain::menus_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items"); // name=caption, "*" marks a checked item
    QTest::newRow("game") << 0 << "mnuGame"
                          << "&Игра"
                          << QStringList{"mnuGameNew=&Новая игра", "mnuGameSeparator=-",
                                         "mnuGameExit=&Выход"};
    QTest::newRow("condition") << 1 << "mnuIf"
                               << "&Условие"
                               << QStringList{"mnuIfLine5=&5 в ряду*", "mnuIfLine6=&6 в ряду",
                                              "mnuIfLine7=&7 в ряду"};
    QTest::newRow("help") << 2 << "mnuHelp"
                          << "&Справка"
                          << QStringList{"mnuHelpRules=&Правила игры", "mnuHelpseparator=-",
                                         "mnuHelpAbout=&О программе"};
}

void TestFrmMain::menus()
{
    QFETCH(int, position);
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(QStringList, items);
    const QList<QAction *> titles = m_window->menuBar()->actions();
    QCOMPARE(titles.size(), 3);
    QMenu *found = titles.at(position)->menu();
    QVERIFY(found);
    QCOMPARE(found->objectName(), menu);
    QCOMPARE(found->title(), title);

    QStringList seen;
    for (QAction *item : found->actions()) {
        QVERIFY(item->isEnabled());
        QVERIFY(item->isVisible());
        QVERIFY(item->shortcut().isEmpty());
        seen << item->objectName() + QLatin1Char('=') +
                    (item->isSeparator() ? QStringLiteral("-") : item->text()) +
                    (item->isChecked() ? QStringLiteral("*") : QString());
    }
    QCOMPARE(seen, items);
}

void TestFrmMain::clockTimerAtRest()
{
    QCOMPARE(timer()->interval(), 1000);
    QVERIFY(!timer()->isSingleShot());
    QVERIFY(!timer()->isActive());
}

void TestFrmMain::focusStartsOnFirstCell()
{
    QCOMPARE(QApplication::focusWidget(), cell(0));
}

void TestFrmMain::tabWalksTheBoardRowByRow_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("along the first row") << 0 << 1;
    QTest::newRow("end of a row to the start of the next") << 13 << 14;
    QTest::newRow("into the last cell") << 194 << 195;
}

void TestFrmMain::tabWalksTheBoardRowByRow()
{
    QFETCH(int, from);
    QFETCH(int, to);
    cell(from)->setFocus();
    QTest::keyClick(cell(from), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), cell(to));
    // Its frame is drawn whole, over the pixel it shares with its neighbours.
    QWidget *client = m_window->centralWidget();
    QCOMPARE(client->childAt(cell(to)->geometry().bottomRight()), cell(to));
}

void TestFrmMain::firstReply_data()
{
    QTest::addColumn<int>("move");
    QTest::addColumn<int>("reply");
    QTest::newRow("player on 90, reply beside it") << 90 << 91;
    QTest::newRow("player on 91, reply on 90") << 91 << 90;
    QTest::newRow("player in a corner, reply on 90") << 0 << 90;
}

void TestFrmMain::firstReply()
{
    QFETCH(int, move);
    QFETCH(int, reply);
    click(move);
    QCOMPARE(cell(move)->text(), QStringLiteral("X"));
    QCOMPARE(cell(reply)->text(), QStringLiteral("O"));
    QCOMPARE(count(QStringLiteral("O")), 1);
    QCOMPARE(QApplication::focusWidget(), cell(reply));
    QCOMPARE(label("lblStep")->text(), QStringLiteral("1"));
    QCOMPARE(label("lblTime")->text(), QStringLiteral("0:00:00"));
}

void TestFrmMain::refusedClickChangesNothing_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<int>("target");
    QTest::newRow("cell holding X") << int(FirstExchange) << 0;
    QTest::newRow("cell holding O") << int(FirstExchange) << 90;
    QTest::newRow("empty cell of a won board") << int(Won) << 150;
}

void TestFrmMain::refusedClickChangesNothing()
{
    QFETCH(int, scenario);
    QFETCH(int, target);
    reach(Scenario(scenario));
    m_now = timeOfDay(10, 0, 3);
    const QString before = state();
    click(target);
    QCOMPARE(state(), before);
}

void TestFrmMain::countShowsPlayerMovesOnly()
{
    for (int move : {0, 13, 182}) // far apart, so no reply lands on a later move
        click(move);
    QCOMPARE(label("lblStep")->text(), QStringLiteral("3"));
    QCOMPARE(count(QStringLiteral("X")), 3);
    QCOMPARE(count(QStringLiteral("O")), 3);
}

void TestFrmMain::playerWinGetsNoReply()
{
    click(0);
    m_now = timeOfDay(10, 0, 7);
    tick();
    write(range(101, 104), QStringLiteral("X"));
    click(105);

    QCOMPARE(count(QStringLiteral("O")), 1);
    QCOMPARE(paintedCells(kGreen), range(101, 105));
    QCOMPARE(paintedCells(kRed), QList<int>());
    QCOMPARE(label("lblStep")->text(), QStringLiteral("2"));
    QVERIFY(!timer()->isActive());
    QCOMPARE(label("lblTime")->text(), QStringLiteral("0:00:07"));
}

void TestFrmMain::computerWinningReplyIsRedAndFocused()
{
    click(195);
    write({30, 31, 32, 33}, QStringLiteral("O")); // a four on row 2, open at 29 and 34
    click(180);

    auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
    QVERIFY(focused == cell(29) || focused == cell(34));
    QCOMPARE(focused->text(), QStringLiteral("O"));
    QCOMPARE(paintedCells(kRed), focused == cell(29) ? range(29, 33) : range(30, 34));
    QCOMPARE(paintedCells(kGreen), QList<int>());
    QVERIFY(!timer()->isActive());
}

void TestFrmMain::phases_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<bool>("clockRuns");
    QTest::addColumn<bool>("lengthItemsEnabled");
    QTest::addColumn<bool>("clickAccepted");
    QTest::newRow("before the first exchange") << int(Fresh) << false << true << true;
    QTest::newRow("clock running") << int(FirstExchange) << true << false << true;
    QTest::newRow("won") << int(Won) << false << false << false;
    QTest::newRow("new game in the middle of a game")
        << int(NewGameMidGame) << false << true << true;
    QTest::newRow("new game after a win") << int(NewGameAfterWin) << false << true << true;
}

void TestFrmMain::phases()
{
    QFETCH(int, scenario);
    QFETCH(bool, clockRuns);
    QFETCH(bool, lengthItemsEnabled);
    QFETCH(bool, clickAccepted);
    reach(Scenario(scenario));
    QCOMPARE(timer()->isActive(), clockRuns);
    for (const char *item : {"mnuIfLine5", "mnuIfLine6", "mnuIfLine7"})
        QCOMPARE(action(item)->isEnabled(), lengthItemsEnabled);
    click(150);
    QCOMPARE(cell(150)->text(), clickAccepted ? QStringLiteral("X") : QString());
}

void TestFrmMain::newGameMidGameRestoresTheBoard()
{
    click(0);
    click(13);
    write({30, 31, 32, 33}, QStringLiteral("O"));
    click(180); // the computer completes its five and colours it
    QVERIFY(!paintedCells(kRed).isEmpty());
    action("mnuIfLine5")->setEnabled(false);
    QPushButton *focusedBefore = qobject_cast<QPushButton *>(QApplication::focusWidget());

    action("mnuGameNew")->trigger();

    QCOMPARE(count(QStringLiteral("X")) + count(QStringLiteral("O")), 0);
    QCOMPARE(paintedCells(kRed), QList<int>());
    QCOMPARE(label("lblStep")->text(), QStringLiteral("0"));
    QCOMPARE(label("lblTime")->text(), QStringLiteral("0:00:00"));
    QCOMPARE(label("lblLen")->text(), QStringLiteral("5"));
    QVERIFY(!timer()->isActive());
    QVERIFY(action("mnuIfLine5")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), focusedBefore);

    click(91); // the next move is a first move again
    QCOMPARE(cell(90)->text(), QStringLiteral("O"));
}

void TestFrmMain::lineLength_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("shown");
    QTest::newRow("five") << "mnuIfLine5"
                          << "5";
    QTest::newRow("six") << "mnuIfLine6"
                         << "6";
    QTest::newRow("seven") << "mnuIfLine7"
                           << "7";
}

void TestFrmMain::lineLength()
{
    QFETCH(QString, item);
    QFETCH(QString, shown);
    action(item == QLatin1String("mnuIfLine7") ? "mnuIfLine6" : "mnuIfLine7")->trigger();
    action(item.toLatin1().constData())->trigger();
    QLabel *length = label("lblLen");
    QCOMPARE(length->text(), shown);
    QCOMPARE(length->size(), length->sizeHint());
    QCOMPARE(length->x(), 240);
    for (const char *other : {"mnuIfLine5", "mnuIfLine6", "mnuIfLine7"})
        QCOMPARE(action(other)->isChecked(), item == QLatin1String(other));
}

void TestFrmMain::lineLengthInForceStaysChecked()
{
    const QString before = state();
    action("mnuIfLine5")->trigger();
    QCOMPARE(state(), before);
}

void TestFrmMain::lineLengthSevenKeptAcrossNewGame()
{
    action("mnuIfLine7")->trigger();
    click(0);
    action("mnuGameNew")->trigger();
    QCOMPARE(label("lblLen")->text(), QStringLiteral("7"));
    QVERIFY(action("mnuIfLine7")->isChecked());
    QVERIFY(!action("mnuIfLine5")->isChecked());

    write(range(0, 3), QStringLiteral("X"));
    click(4); // five in a row
    QCOMPARE(paintedCells(kGreen), QList<int>());
    QCOMPARE(cell(90)->text(), QStringLiteral("O"));
    QVERIFY(timer()->isActive());

    write({5}, QStringLiteral("X"));
    click(6); // seven in a row
    QCOMPARE(paintedCells(kGreen), range(0, 6));
    QVERIFY(!timer()->isActive());
}

void TestFrmMain::clock_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("now");
    QTest::addColumn<QString>("shown");
    QTest::newRow("first tick") << timeOfDay(10, 0, 0) << timeOfDay(10, 0, 1) << "0:00:01";
    QTest::newRow("an hour and five seconds")
        << timeOfDay(10, 0, 0) << timeOfDay(11, 0, 5) << "1:00:05";
    QTest::newRow("past midnight") << timeOfDay(23, 59, 58) << timeOfDay(0, 0, 3) << "0:00:05";
    QTest::newRow("long game past midnight")
        << timeOfDay(22, 30, 0) << timeOfDay(10, 45, 9) << "12:15:09";
    QTest::newRow("started at midnight")
        << timeOfDay(0, 0, 0) << timeOfDay(23, 59, 59) << "23:59:59";
}

void TestFrmMain::clock()
{
    QFETCH(double, start);
    QFETCH(double, now);
    QFETCH(QString, shown);
    m_now = start;
    click(0);
    QCOMPARE(label("lblTime")->text(), QStringLiteral("0:00:00"));
    QVERIFY(timer()->isActive());
    m_now = now;
    tick();
    QCOMPARE(label("lblTime")->text(), shown);
    QCOMPARE(label("lblTime")->size(), QSize(41, 17));
}

void TestFrmMain::clockCountsFromFirstExchange()
{
    click(0);
    m_now = timeOfDay(10, 0, 30);
    click(13);
    m_now = timeOfDay(10, 1, 0);
    tick();
    QCOMPARE(label("lblTime")->text(), QStringLiteral("0:01:00"));
}

// Marks in pairs along each row, shifted by two on every row: no direction
// ever holds more than two alike. Cell 0 is "X" and cell 90 "O" in it.
void TestFrmMain::fullBoardWithoutWinKeepsClockRunning()
{
    const auto patternMark = [](int index) {
        const int row = index / 14;
        const int column = index % 14;
        return (column + 2 * row) % 4 < 2 ? QStringLiteral("X") : QStringLiteral("O");
    };
    const int lastX = 195 - 2; // row 13: column 11 is "X", column 13 "O"
    const int lastO = 195;
    QCOMPARE(patternMark(lastX), QStringLiteral("X"));
    QCOMPARE(patternMark(lastO), QStringLiteral("O"));

    click(0); // the reply goes to 90, as the pattern has it
    for (int i = 0; i < kCells; ++i)
        if (i != lastX && i != lastO)
            cell(i)->setText(patternMark(i));
    click(lastX); // the computer's only cell left is lastO

    QCOMPARE(cell(lastO)->text(), QStringLiteral("O"));
    QCOMPARE(count(QString()), 0);
    QCOMPARE(paintedCells(kGreen), QList<int>());
    QCOMPARE(paintedCells(kRed), QList<int>());
    QVERIFY(timer()->isActive());

    m_now = timeOfDay(10, 2, 0);
    tick();
    const QString before = state();
    click(0);
    click(lastO);
    QCOMPARE(state(), before);
    QCOMPARE(label("lblTime")->text(), QStringLiteral("0:02:00"));
}

void TestFrmMain::keyboardActivatesFocusedCell_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("space") << int(Qt::Key_Space) << int(Qt::NoModifier);
    QTest::newRow("return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
}

void TestFrmMain::keyboardActivatesFocusedCell()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    cell(5)->setFocus();
    QTest::keyClick(cell(5), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(cell(5)->text(), QStringLiteral("X"));
    QCOMPARE(cell(90)->text(), QStringLiteral("O"));
    QCOMPARE(label("lblStep")->text(), QStringLiteral("1"));

    // The focus now rests on the reply, so the same key does nothing.
    const QString before = state();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(state(), before);
}

void TestFrmMain::dialogsAreModalAndLeaveTheGameAlone_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("dialogClass");
    QTest::newRow("rules") << "mnuHelpRules"
                           << "frmHelp";
    QTest::newRow("about") << "mnuHelpAbout"
                           << "frmAbout";
}

void TestFrmMain::dialogsAreModalAndLeaveTheGameAlone()
{
    QFETCH(QString, item);
    QFETCH(QString, dialogClass);
    click(0);
    const QString before = state();

    QString shownClass;
    bool clockRanBehind = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal) {
            shownClass = QString::fromLatin1(modal->metaObject()->className());
            clockRanBehind = timer()->isActive();
        }
        // Close whatever opened, so that a failure cannot hang the test.
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QDialog *>(window); dialog && dialog->isVisible())
                dialog->reject();
    });
    action(item.toLatin1().constData())->trigger();

    QCOMPARE(shownClass, dialogClass);
    QVERIFY(clockRanBehind);
    QCOMPARE(state(), before);
}

void TestFrmMain::exitClosesWindow()
{
    action("mnuGameExit")->trigger();
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
