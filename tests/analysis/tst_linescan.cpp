#include "analysis/analysis.h"
#include "testboard.h"

#include <QtTest>

#include <random>

using analysis::Analysis;
using analysis::kBoardSide;
using analysis::kCellCount;

namespace {

QList<int> cells(std::initializer_list<std::pair<int, int>> positions)
{
    QList<int> list;
    for (auto [row, column] : positions)
        list.append(cellAt(row, column));
    return list;
}

QList<int> rowSpan(int row, int fromColumn, int toColumn)
{
    QList<int> list;
    for (int column = fromColumn; column <= toColumn; ++column)
        list.append(cellAt(row, column));
    return list;
}

QList<int> runCells(const Analysis &a)
{
    QList<int> list;
    for (int j = 0; j < a.intRun; ++j)
        list.append(a.udtLine[j].row * kBoardSide + a.udtLine[j].column);
    return list;
}

bool bufferClearFrom(const Analysis &a, int from)
{
    for (int j = from; j < kBoardSide; ++j)
        if (a.udtLine[j].row != 0 || a.udtLine[j].column != 0)
            return false;
    return true;
}

constexpr int kDr[] = {0, 0, 1, 1, -1};
constexpr int kDc[] = {0, 1, 0, 1, 1};

// Marks of `mark` met one after another from `cell` (not counted) in a direction.
int countFrom(const std::array<std::string, kCellCount> &desk, int cell, int dr, int dc,
              const std::string &mark)
{
    int n = 0;
    int row = cell / kBoardSide + dr;
    int column = cell % kBoardSide + dc;
    while (row >= 0 && row < kBoardSide && column >= 0 && column < kBoardSide &&
           desk[row * kBoardSide + column] == mark) {
        ++n;
        row += dr;
        column += dc;
    }
    return n;
}

std::array<std::string, kCellCount> randomDesk(std::mt19937 &random)
{
    static const char *const kinds[] = {"", "X", "O"};
    std::array<std::string, kCellCount> desk;
    const int density = std::uniform_int_distribution(20, 95)(random);
    for (auto &cell : desk)
        cell = std::uniform_int_distribution(0, 99)(random) < density
                   ? kinds[std::uniform_int_distribution(1, 2)(random)]
                   : "";
    return desk;
}

} // namespace

class tst_LineScan : public QObject
{
    Q_OBJECT

private slots:
    void scanLine_data();
    void scanLine();
    void scanLine_badInputMeasuresNothing_data();
    void scanLine_badInputMeasuresNothing();
    void scanLine_agreesWithRunAndRoom();
    void checkWin_data();
    void checkWin();
    void checkWin_fullBoardWithoutLine();
    void checkWin_agreesWithPlainCount();
};

void tst_LineScan::scanLine_data()
{
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<QList<int>>("os");
    QTest::addColumn<int>("centre");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QList<int>>("run");

    const QList<int> none;
    QTest::newRow("four in a row, centre inside")
        << rowSpan(7, 5, 8) << none << cellAt(7, 7) << 1 << 5 << "X" << rowSpan(7, 5, 8);
    QTest::newRow("three boxed in by O: no room for five")
        << rowSpan(7, 4, 6) << cells({{7, 3}, {7, 7}}) << cellAt(7, 5) << 1 << 5 << "X" << none;
    QTest::newRow("three with room on one side")
        << rowSpan(7, 4, 6) << cells({{7, 3}}) << cellAt(7, 5) << 1 << 5 << "X" << rowSpan(7, 4, 6);
    QTest::newRow("lone mark is never a run of one")
        << cells({{7, 7}}) << none << cellAt(7, 7) << 1 << 5 << "X" << none;
    QTest::newRow("top-left corner up-right diagonal is one cell")
        << cells({{0, 0}, {0, 1}, {1, 0}, {1, 1}}) << none << 0 << 4 << 5 << "X" << none;
    QTest::newRow("nine in a row, centre in the middle: capped at 2w-1")
        << rowSpan(0, 0, 8) << none << cellAt(0, 4) << 1 << 5 << "X" << rowSpan(0, 0, 8);
    QTest::newRow("nine in a row, centre at the end: w-1 back only")
        << rowSpan(0, 0, 8) << none << cellAt(0, 8) << 1 << 5 << "X" << rowSpan(0, 4, 8);
    QTest::newRow("a gap ends the run") << cells({{7, 1}, {7, 2}, {7, 4}, {7, 5}}) << none
                                        << cellAt(7, 4) << 1 << 5 << "X" << cells({{7, 4}, {7, 5}});
    QTest::newRow("up-right diagonal walks from the bottom")
        << none << cells({{6, 1}, {5, 2}, {4, 3}, {3, 4}, {2, 5}}) << cellAt(2, 5) << 4 << 5 << "O"
        << cells({{6, 1}, {5, 2}, {4, 3}, {3, 4}, {2, 5}});
    QTest::newRow("wanted 6, edge and O leave room for five only")
        << rowSpan(0, 0, 4) << cells({{0, 5}}) << cellAt(0, 2) << 1 << 6 << "X" << none;
    QTest::newRow("wanted 6, O one further: room for six")
        << rowSpan(0, 0, 4) << cells({{0, 6}}) << cellAt(0, 2) << 1 << 6 << "X" << rowSpan(0, 0, 4);
    QTest::newRow("centre without the mark")
        << rowSpan(7, 5, 8) << cells({{7, 4}}) << cellAt(7, 4) << 1 << 5 << "X" << none;
    QTest::newRow("buffer stops taking marks after a run that reached k")
        << (rowSpan(0, 0, 5) + cells({{0, 7}, {0, 8}})) << none << cellAt(0, 3) << 1 << 5 << "X"
        << rowSpan(0, 0, 5);
    QTest::newRow("a stretch that reached k is not reset by the other mark")
        << cells({{3, 5}, {3, 6}}) << cells({{3, 7}}) << cellAt(3, 6) << 1 << 5 << "X"
        << cells({{3, 5}, {3, 6}});
    QTest::newRow("right edge, row")
        << rowSpan(13, 9, 13) << none << cellAt(13, 13) << 1 << 5 << "X" << rowSpan(13, 9, 13);
    QTest::newRow("bottom edge, column")
        << cells({{9, 13}, {10, 13}, {11, 13}, {12, 13}, {13, 13}}) << none << cellAt(13, 13) << 2
        << 5 << "X" << cells({{9, 13}, {10, 13}, {11, 13}, {12, 13}, {13, 13}});
    QTest::newRow("bottom-right corner, down-right diagonal")
        << cells({{9, 9}, {10, 10}, {11, 11}, {12, 12}, {13, 13}}) << none << cellAt(13, 13) << 3
        << 5 << "X" << cells({{9, 9}, {10, 10}, {11, 11}, {12, 12}, {13, 13}});
    QTest::newRow("bottom edge, up-right diagonal starts at the centre")
        << cells({{13, 9}, {12, 10}, {11, 11}, {10, 12}, {9, 13}}) << none << cellAt(13, 9) << 4
        << 5 << "X" << cells({{13, 9}, {12, 10}, {11, 11}, {10, 12}, {9, 13}});
    QTest::newRow("wanted 7, run of two in an open column")
        << cells({{6, 6}, {7, 6}}) << none << cellAt(7, 6) << 2 << 7 << "X"
        << cells({{6, 6}, {7, 6}});
}

void tst_LineScan::scanLine()
{
    QFETCH(QList<int>, xs);
    QFETCH(QList<int>, os);
    QFETCH(int, centre);
    QFETCH(int, direction);
    QFETCH(int, wanted);
    QFETCH(QString, mark);
    QFETCH(QList<int>, run);

    Analysis a;
    a.strDesk = TestBoard(xs, os).cells;
    a.ScanLine(centre, direction, wanted, mark.toStdString());

    QCOMPARE(a.intRun, run.size());
    QCOMPARE(runCells(a), run);
    QVERIFY(bufferClearFrom(a, a.intRun));
}

void tst_LineScan::scanLine_badInputMeasuresNothing_data()
{
    QTest::addColumn<int>("centre");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<QString>("foreign");

    QTest::newRow("direction 0") << cellAt(7, 7) << 0 << 5 << "";
    QTest::newRow("direction 5") << cellAt(7, 7) << 5 << 5 << "";
    QTest::newRow("direction -1") << cellAt(7, 7) << -1 << 5 << "";
    QTest::newRow("wanted 1") << cellAt(7, 7) << 1 << 1 << "";
    QTest::newRow("wanted 0") << cellAt(7, 7) << 1 << 0 << "";
    QTest::newRow("wanted most negative") << cellAt(7, 7) << 1 << INT_MIN << "";
    QTest::newRow("wanted beyond the board") << cellAt(7, 7) << 1 << INT_MAX << "";
    QTest::newRow("cell -1") << -1 << 1 << 5 << "";
    QTest::newRow("cell 196") << 196 << 1 << 5 << "";
    QTest::newRow("foreign captions block like the other mark") << cellAt(7, 7) << 1 << 5 << "x";
}

void tst_LineScan::scanLine_badInputMeasuresNothing()
{
    QFETCH(int, centre);
    QFETCH(int, direction);
    QFETCH(int, wanted);
    QFETCH(QString, foreign);

    Analysis a;
    // A row of X with the centre in it; foreign captions, if any, hem it in.
    for (int column = 5; column <= 9; ++column)
        a.strDesk[cellAt(7, column)] = "X";
    if (!foreign.isEmpty()) {
        for (int column = 4; column <= 8; column += 4)
            a.strDesk[cellAt(7, column)] = foreign.toStdString();
    }
    // Leftovers of an earlier scan must not survive.
    a.ScanLine(cellAt(7, 7), 1, 5, "X");
    a.ScanLine(centre, direction, wanted, "X");

    QCOMPARE(a.intRun, 0);
    QVERIFY(bufferClearFrom(a, 0));
}

// The measure every caller relies on: with R marks in a row through the centre
// (at most w-1 counted either side) and F cells free of the other mark counted
// the same way, the result is R when R >= w; 0 when F < w; else R, or 0 for R = 1.
void tst_LineScan::scanLine_agreesWithRunAndRoom()
{
    std::mt19937 random(20261208);
    Analysis a;
    for (int trial = 0; trial < 20000; ++trial) {
        a.strDesk = randomDesk(random);
        const int centre = std::uniform_int_distribution(0, kCellCount - 1)(random);
        const int direction = std::uniform_int_distribution(1, 4)(random);
        const int wanted = std::uniform_int_distribution(2, 7)(random);
        const std::string mark = random() % 2 ? "X" : "O";
        const std::string other = mark == "X" ? "O" : "X";
        a.strDesk[centre] = mark;

        const int dr = kDr[direction], dc = kDc[direction];
        const int back = std::min(countFrom(a.strDesk, centre, -dr, -dc, mark), wanted - 1);
        const int forth = std::min(countFrom(a.strDesk, centre, dr, dc, mark), wanted - 1);
        const int runLength = back + 1 + forth;
        std::array<std::string, kCellCount> freeDesk = a.strDesk;
        for (auto &cell : freeDesk)
            if (cell != other)
                cell = mark;
        const int room = std::min(countFrom(freeDesk, centre, -dr, -dc, mark), wanted - 1) + 1 +
                         std::min(countFrom(freeDesk, centre, dr, dc, mark), wanted - 1);
        const int expected = runLength >= wanted ? runLength
                             : room < wanted     ? 0
                             : runLength >= 2    ? runLength
                                                 : 0;

        a.ScanLine(centre, direction, wanted, mark);
        if (a.intRun != expected) {
            QFAIL(qPrintable(QStringLiteral("trial %1: cell %2 direction %3 wanted %4: %5, not %6")
                                 .arg(trial)
                                 .arg(centre)
                                 .arg(direction)
                                 .arg(wanted)
                                 .arg(a.intRun)
                                 .arg(expected)));
        }
        QVERIFY(a.intRun != 1 && a.intRun <= 2 * wanted - 1);
    }
}

void tst_LineScan::checkWin_data()
{
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<QList<int>>("os");
    QTest::addColumn<int>("played");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<QList<int>>("coloured");

    const QList<int> none;
    QTest::newRow("five in a row by the last mark")
        << rowSpan(7, 3, 6) << none << cellAt(7, 7) << "X" << 5 << rowSpan(7, 3, 7);
    QTest::newRow("filling a gap joins six")
        << cells({{7, 1}, {7, 2}, {7, 4}, {7, 5}, {7, 6}}) << none << cellAt(7, 3) << "X" << 5
        << rowSpan(7, 1, 6);
    QTest::newRow("row and column at once: only the row is coloured")
        << (rowSpan(3, 3, 6) + cells({{4, 7}, {5, 7}, {6, 7}, {7, 7}})) << none << cellAt(3, 7)
        << "X" << 5 << rowSpan(3, 3, 7);
    QTest::newRow("computer's diagonal from the corner")
        << none << cells({{1, 1}, {2, 2}, {3, 3}, {4, 4}}) << cellAt(0, 0) << "O" << 5
        << cells({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}});
    QTest::newRow("computer's up-right diagonal, middle mark last")
        << none << cells({{6, 1}, {5, 2}, {3, 4}, {2, 5}}) << cellAt(4, 3) << "O" << 5
        << cells({{6, 1}, {5, 2}, {4, 3}, {3, 4}, {2, 5}});
    QTest::newRow("a full row is coloured w-1 either side only")
        << (rowSpan(7, 0, 6) + rowSpan(7, 8, 13)) << none << cellAt(7, 7) << "X" << 5
        << rowSpan(7, 3, 11);
    QTest::newRow("wanted 6, five do not win")
        << rowSpan(7, 3, 6) << none << cellAt(7, 7) << "X" << 6 << none;
    QTest::newRow("fifth mark apart from the four")
        << rowSpan(7, 3, 6) << none << cellAt(9, 9) << "X" << 5 << none;
    QTest::newRow("O in a line of X is no win for O")
        << (rowSpan(7, 3, 6) + rowSpan(7, 8, 9)) << none << cellAt(7, 7) << "O" << 5 << none;
    QTest::newRow("cell -1") << rowSpan(0, 0, 4) << none << -1 << "X" << 5 << none;
    QTest::newRow("cell 196") << rowSpan(13, 9, 13) << none << 196 << "X" << 5 << none;
    QTest::newRow("wanted 0 measures nothing, so wins nothing")
        << rowSpan(7, 3, 7) << none << cellAt(7, 7) << "X" << 0 << none;
}

void tst_LineScan::checkWin()
{
    QFETCH(QList<int>, xs);
    QFETCH(QList<int>, os);
    QFETCH(int, played);
    QFETCH(QString, mark);
    QFETCH(int, wanted);
    QFETCH(QList<int>, coloured);

    TestBoard board(xs, os);
    if (played >= 0 && played < kCellCount)
        board.cells[played] = mark.toStdString();

    Analysis a;
    const bool won = a.CheckWin(board, played, mark.toStdString(), wanted);

    QCOMPARE(won, !coloured.isEmpty());
    std::sort(coloured.begin(), coloured.end());
    const std::vector<int> painted = board.colouredCells();
    QCOMPARE(QList<int>(painted.begin(), painted.end()), coloured);
    const std::uint32_t colour = mark == "O" ? 255u : 65280u;
    for (auto [cell, c] : board.colours)
        QCOMPARE(c, colour);
    QCOMPARE(a.strDesk, board.cells); // the snapshot is taken from the board
}

void tst_LineScan::checkWin_fullBoardWithoutLine()
{
    // Pairs of X and O shifted by two each row: no line longer than two anywhere.
    TestBoard board;
    for (int cell = 0; cell < kCellCount; ++cell)
        board.cells[cell] = (cell % kBoardSide + 2 * (cell / kBoardSide)) % 4 < 2 ? "X" : "O";
    Analysis a;
    for (int cell = 0; cell < kCellCount; ++cell)
        QVERIFY(!a.CheckWin(board, cell, board.cells[cell], 5));
    QVERIFY(board.colours.empty());
}

// CheckWin answers True exactly when a plain count finds `wanted` in a row
// through the cell, and colours that run (w-1 either side at most) in the
// first winning direction only.
void tst_LineScan::checkWin_agreesWithPlainCount()
{
    std::mt19937 random(7);
    Analysis a;
    int wins = 0;
    for (int trial = 0; trial < 5000; ++trial) {
        TestBoard board;
        board.cells = randomDesk(random);
        const int played = std::uniform_int_distribution(0, kCellCount - 1)(random);
        const int wanted = std::uniform_int_distribution(5, 7)(random);
        const std::string mark = random() % 2 ? "X" : "O";
        board.cells[played] = mark;

        QList<int> expected;
        for (int direction = 1; direction <= 4 && expected.isEmpty(); ++direction) {
            const int dr = kDr[direction], dc = kDc[direction];
            const int back = countFrom(board.cells, played, -dr, -dc, mark);
            const int forth = countFrom(board.cells, played, dr, dc, mark);
            if (back + 1 + forth < wanted)
                continue;
            for (int step = -std::min(back, wanted - 1); step <= std::min(forth, wanted - 1);
                 ++step)
                expected.append(played + step * (dr * kBoardSide + dc));
        }

        const bool won = a.CheckWin(board, played, mark, wanted);
        QCOMPARE(won, !expected.isEmpty());
        std::sort(expected.begin(), expected.end());
        const std::vector<int> painted = board.colouredCells();
        QCOMPARE(QList<int>(painted.begin(), painted.end()), expected);
        wins += won;
    }
    QVERIFY2(wins > 100, "the random boards should hold wins worth checking");
}

QTEST_APPLESS_MAIN(tst_LineScan)
#include "tst_linescan.moc"
