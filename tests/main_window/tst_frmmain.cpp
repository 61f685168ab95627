#include "windowdriver.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QList<int> range(int first, int last)
{
    QList<int> cells;
    for (int cell = first; cell <= last; ++cell)
        cells << cell;
    return cells;
}

} // namespace

// The main window's layout and menus, and games played on it with clicks,
// keys and menu commands. Colours are read from what the buttons draw.
class TestFrmMain : public QObject, public WindowDriver
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void window();
    void boardButtons_data();
    void boardButtons();
    void statusLabels_data();
    void statusLabels();
    void statusTextsDoNotRunIntoEachOther();
    void menus_data();
    void menus();
    void focusStartsOnFirstCell();
    void tabWalksTheBoardRowByRow_data();
    void tabWalksTheBoardRowByRow();

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
    int count(const QString &mark) const;
    QList<int> paintedCells(QRgb colour) const;
    QString state() const;
};

void TestFrmMain::init()
{
    open();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestFrmMain::cleanup()
{
    close();
}

int TestFrmMain::count(const QString &mark) const
{
    int marks = 0;
    for (int i = 0; i < kCells; ++i)
        marks += cell(i)->text() == mark;
    return marks;
}

// A cell counts as painted when a third of it is the colour; a cell with
// only a few pixels of it is reported as -1000 - index, which no test expects.
QList<int> TestFrmMain::paintedCells(QRgb colour) const
{
    QList<int> cells;
    for (int i = 0; i < kCells; ++i) {
        const QImage image = cell(i)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int pixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                pixels += image.pixel(x, y) == colour;
        if (pixels > 0)
            cells << (pixels > image.width() * image.height() / 3 ? i : -1000 - i);
    }
    return cells;
}

// Everything a refused click must leave as it was.
QString TestFrmMain::state() const
{
    QStringList parts;
    for (int i = 0; i < kCells; ++i)
        parts << cell(i)->text();
    parts << text("lblStep") << text("lblTime") << text("lblLen")
          << (clockRuns() ? u"clock on"_s : u"clock off"_s);
    for (const char *item : kLengthItems)
        parts << u"%1 enabled %2 checked %3"_s.arg(QLatin1String(item))
                     .arg(action(item)->isEnabled())
                     .arg(action(item)->isChecked());
    for (QRgb colour : {kGreen, kRed})
        for (int painted : paintedCells(colour))
            parts << u"colour %1 on %2"_s.arg(colour, 0, 16).arg(painted);
    return parts.join(u'|');
}

void TestFrmMain::window()
{
    QCOMPARE(m_window->windowTitle(), u" Игра Зорбуны"_s);
    QVERIFY(!m_window->windowIcon().pixmap(16, 16).isNull());
    QCOMPARE(m_window->centralWidget()->size(), QSize(360, 373));
    QCOMPARE(m_window->centralWidget()->geometry().bottom(), m_window->height() - 1);
    QCOMPARE(m_window->minimumSize(), m_window->size());
    QCOMPARE(m_window->maximumSize(), m_window->size());
    QVERIFY(m_window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!m_window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    // The frame is centred; a real window manager's is checked by the real-window test.
    const QPoint screenCentre = m_window->screen()->availableGeometry().center();
    QVERIFY((m_window->frameGeometry().center() - screenCentre).manhattanLength() <= 2);

    auto *timer = find<QTimer>(u"Timer1"_s);
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!timer->isSingleShot());
    QVERIFY(!timer->isActive());
}

void TestFrmMain::boardButtons_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("top-left cell 0") << 0 << QPoint(12, 8);
    QTest::newRow("its right neighbour, one pixel over") << 1 << QPoint(36, 8);
    QTest::newRow("top-right cell 13") << 13 << QPoint(324, 8);
    QTest::newRow("first of the second row, one pixel over") << 14 << QPoint(12, 32);
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
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("left");
    QTest::addColumn<QSize>("fixedBox"); // none: the label sizes itself to its text
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
    QFETCH(QString, caption);
    QFETCH(int, left);
    QFETCH(QSize, fixedBox);
    auto *label = find<QLabel>(name);
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->mapTo(m_window->centralWidget(), QPoint(0, 0)), QPoint(left, 352));
    QVERIFY(label->geometry().bottom() < 373);
    QCOMPARE(label->size(), fixedBox.isValid() ? fixedBox : label->sizeHint());
}

void TestFrmMain::statusTextsDoNotRunIntoEachOther()
{
    const char *order[] = {"Label2", "lblTime", "Label3", "lblLen", "Label1", "lblStep"};
    for (int i = 0; i + 1 < int(std::size(order)); ++i) {
        auto *label = find<QLabel>(QLatin1String(order[i]));
        const int next = find<QLabel>(QLatin1String(order[i + 1]))->x();
        QVERIFY2(label->x() + label->fontMetrics().horizontalAdvance(label->text()) < next,
                 order[i]);
        QVERIFY2(label->geometry().right() < next, order[i]);
    }
    auto *time = find<QLabel>(u"lblTime"_s);
    QVERIFY(time->fontMetrics().horizontalAdvance(u"0:59:59"_s) <= time->width());
    auto *step = find<QLabel>(u"lblStep"_s);
    QVERIFY(step->fontMetrics().horizontalAdvance(u"98"_s) <= step->width());
}

void TestFrmMain::menus_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items"); // name=caption, "*" after a checked one
    QTest::newRow("mnuGame") << 0 << "&Игра"
                             << QStringList{"mnuGameNew=&Новая игра", "mnuGameSeparator=-",
                                            "mnuGameExit=&Выход"};
    QTest::newRow("mnuIf") << 1 << "&Условие"
                           << QStringList{"mnuIfLine5=&5 в ряду*", "mnuIfLine6=&6 в ряду",
                                          "mnuIfLine7=&7 в ряду"};
    QTest::newRow("mnuHelp") << 2 << "&Справка"
                             << QStringList{"mnuHelpRules=&Правила игры", "mnuHelpseparator=-",
                                            "mnuHelpAbout=&О программе"};
}

void TestFrmMain::menus()
{
    QFETCH(int, position);
    QFETCH(QString, title);
    QFETCH(QStringList, items);
    const QList<QAction *> titles = m_window->menuBar()->actions();
    QCOMPARE(titles.size(), 3);
    QMenu *menu = titles.at(position)->menu();
    QCOMPARE(menu->objectName(), QString::fromLatin1(QTest::currentDataTag()));
    QCOMPARE(menu->title(), title);
    QStringList seen;
    for (QAction *item : menu->actions()) {
        QVERIFY(item->isEnabled() && item->isVisible() && item->shortcut().isEmpty());
        seen << item->objectName() + u'=' + (item->isSeparator() ? u"-"_s : item->text()) +
                    (item->isChecked() ? u"*"_s : QString());
    }
    QCOMPARE(seen, items);
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
    QCOMPARE(m_window->centralWidget()->childAt(cell(to)->geometry().bottomRight()), cell(to));
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
    QCOMPARE(cell(move)->text(), u"X"_s);
    QCOMPARE(cell(reply)->text(), u"O"_s);
    QCOMPARE(count(u"O"_s), 1);
    QCOMPARE(QApplication::focusWidget(), cell(reply));
    QCOMPARE(text("lblStep"), u"1"_s);
    QCOMPARE(text("lblTime"), u"0:00:00"_s);
}

void TestFrmMain::refusedClickChangesNothing_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<int>("target");
    QTest::newRow("cell holding X") << int(FirstExchange) << 0;
    QTest::newRow("cell holding O") << int(FirstExchange) << 90;
    QTest::newRow("empty cell of a won board") << int(PlayerWon) << 150;
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
    QCOMPARE(text("lblStep"), u"3"_s);
    QCOMPARE(count(u"X"_s), 3);
    QCOMPARE(count(u"O"_s), 3);
}

void TestFrmMain::playerWinGetsNoReply()
{
    click(0);
    m_now = timeOfDay(10, 0, 7);
    tick();
    write(range(101, 104), u"X"_s);
    click(105);
    QCOMPARE(count(u"O"_s), 1);
    QCOMPARE(paintedCells(kGreen), range(101, 105));
    QCOMPARE(paintedCells(kRed), QList<int>());
    QCOMPARE(text("lblStep"), u"2"_s);
    QVERIFY(!clockRuns());
    QCOMPARE(text("lblTime"), u"0:00:07"_s);
}

void TestFrmMain::computerWinningReplyIsRedAndFocused()
{
    click(195);
    write({30, 31, 32, 33}, u"O"_s); // a four on row 2, open at 29 and 34
    click(180);
    auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
    QVERIFY(focused == cell(29) || focused == cell(34));
    QCOMPARE(focused->text(), u"O"_s);
    QCOMPARE(paintedCells(kRed), focused == cell(29) ? range(29, 33) : range(30, 34));
    QCOMPARE(paintedCells(kGreen), QList<int>());
    QVERIFY(!clockRuns());
}

void TestFrmMain::phases_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<bool>("clockRunning");
    QTest::addColumn<bool>("lengthItemsEnabled");
    QTest::addColumn<bool>("clickAccepted");
    QTest::newRow("before the first exchange") << int(Fresh) << false << true << true;
    QTest::newRow("clock running") << int(FirstExchange) << true << false << true;
    QTest::newRow("won") << int(PlayerWon) << false << false << false;
    QTest::newRow("new game mid-game") << int(NewGameMidGame) << false << true << true;
    QTest::newRow("new game after a win") << int(NewGameAfterWin) << false << true << true;
}

void TestFrmMain::phases()
{
    QFETCH(int, scenario);
    QFETCH(bool, clockRunning);
    QFETCH(bool, lengthItemsEnabled);
    QFETCH(bool, clickAccepted);
    reach(Scenario(scenario));
    QCOMPARE(clockRuns(), clockRunning);
    for (const char *item : kLengthItems)
        QCOMPARE(action(item)->isEnabled(), lengthItemsEnabled);
    click(150);
    QCOMPARE(cell(150)->text(), clickAccepted ? u"X"_s : QString());
}

void TestFrmMain::newGameMidGameRestoresTheBoard()
{
    click(0);
    click(13);
    write({30, 31, 32, 33}, u"O"_s);
    click(180); // the computer completes its five and colours it
    QVERIFY(!paintedCells(kRed).isEmpty());
    QWidget *focusedBefore = QApplication::focusWidget();

    action("mnuGameNew")->trigger();
    QCOMPARE(count(u""_s), kCells);
    QCOMPARE(paintedCells(kRed), QList<int>());
    QCOMPARE(text("lblStep"), u"0"_s);
    QCOMPARE(text("lblTime"), u"0:00:00"_s);
    QCOMPARE(text("lblLen"), u"5"_s);
    QVERIFY(!clockRuns());
    QVERIFY(action("mnuIfLine6")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), focusedBefore);
    click(91); // a first move again
    QCOMPARE(cell(90)->text(), u"O"_s);
}

void TestFrmMain::lineLength_data()
{
    QTest::addColumn<QString>("before"); // an item chosen first, if any
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("shown");
    QTest::newRow("five, the length in force") << ""
                                               << "mnuIfLine5"
                                               << "5";
    QTest::newRow("five after seven") << "mnuIfLine7"
                                      << "mnuIfLine5"
                                      << "5";
    QTest::newRow("six") << ""
                         << "mnuIfLine6"
                         << "6";
    QTest::newRow("seven after six") << "mnuIfLine6"
                                     << "mnuIfLine7"
                                     << "7";
}

void TestFrmMain::lineLength()
{
    QFETCH(QString, before);
    QFETCH(QString, item);
    QFETCH(QString, shown);
    if (!before.isEmpty())
        find<QAction>(before)->trigger();
    find<QAction>(item)->trigger();
    auto *length = find<QLabel>(u"lblLen"_s);
    QCOMPARE(length->text(), shown);
    QCOMPARE(length->mapTo(m_window->centralWidget(), QPoint(0, 0)), QPoint(240, 352));
    QCOMPARE(length->size(), length->sizeHint());
    for (const char *other : kLengthItems)
        QCOMPARE(action(other)->isChecked(), item == QLatin1String(other));
}

void TestFrmMain::lineLengthSevenKeptAcrossNewGame()
{
    action("mnuIfLine7")->trigger();
    click(0);
    action("mnuGameNew")->trigger();
    QCOMPARE(text("lblLen"), u"7"_s);
    QVERIFY(action("mnuIfLine7")->isChecked() && !action("mnuIfLine5")->isChecked());

    write(range(0, 3), u"X"_s);
    click(4); // five in a row
    QCOMPARE(paintedCells(kGreen), QList<int>());
    QCOMPARE(cell(90)->text(), u"O"_s);
    QVERIFY(clockRuns());
    write({5}, u"X"_s);
    click(6); // seven
    QCOMPARE(paintedCells(kGreen), range(0, 6));
    QVERIFY(!clockRuns());
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
}

void TestFrmMain::clock()
{
    QFETCH(double, start);
    QFETCH(double, now);
    QFETCH(QString, shown);
    m_now = start;
    click(0);
    QCOMPARE(text("lblTime"), u"0:00:00"_s);
    QVERIFY(clockRuns());
    m_now = now;
    tick();
    QCOMPARE(text("lblTime"), shown);
    QCOMPARE(find<QLabel>(u"lblTime"_s)->size(), QSize(41, 17));
}

void TestFrmMain::clockCountsFromFirstExchange()
{
    click(0);
    m_now = timeOfDay(10, 0, 30);
    click(13);
    m_now = timeOfDay(10, 1, 0);
    tick();
    QCOMPARE(text("lblTime"), u"0:01:00"_s);
}

// Marks in pairs along each row, shifted by two on every row: no line in any
// direction holds more than two alike. Cell 0 is "X" and cell 90 "O" in it.
void TestFrmMain::fullBoardWithoutWinKeepsClockRunning()
{
    const auto patternMark = [](int index) {
        return (index % 14 + 2 * (index / 14)) % 4 < 2 ? u"X"_s : u"O"_s;
    };
    const int lastX = 193;
    const int lastO = 195;
    QCOMPARE(patternMark(lastX) + patternMark(lastO), u"XO"_s);
    click(0);
    for (int i = 0; i < kCells; ++i)
        if (i != lastX && i != lastO)
            cell(i)->setText(patternMark(i));
    click(lastX); // the computer's only cell left is lastO
    QCOMPARE(cell(lastO)->text(), u"O"_s);
    QCOMPARE(count(u""_s), 0);
    QCOMPARE(paintedCells(kGreen) + paintedCells(kRed), QList<int>());
    QVERIFY(clockRuns());

    m_now = timeOfDay(10, 2, 0);
    tick();
    const QString before = state();
    click(0);
    click(lastO);
    QCOMPARE(state(), before);
    QCOMPARE(text("lblTime"), u"0:02:00"_s);
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
    QCOMPARE(cell(5)->text(), u"X"_s);
    QCOMPARE(cell(90)->text(), u"O"_s);
    QCOMPARE(text("lblStep"), u"1"_s);
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
        if (QWidget *modal = QApplication::activeModalWidget()) {
            shownClass = QString::fromLatin1(modal->metaObject()->className());
            clockRanBehind = clockRuns();
        }
        // Close whatever opened, so that a failure cannot hang the test.
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QDialog *>(window); dialog && dialog->isVisible())
                dialog->reject();
    });
    find<QAction>(item)->trigger();
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
