#include "analysis/analysis.h"
#include "testboard.h"

#include <QtTest>

#include <random>

using analysis::Analysis;
using analysis::kCellCount;

namespace {

TestBoard randomBoard(std::mt19937 &random)
{
    TestBoard board;
    const int density = std::uniform_int_distribution(0, 99)(random);
    for (auto &cell : board.cells) {
        if (std::uniform_int_distribution(0, 99)(random) >= density)
            continue;
        const int kind = std::uniform_int_distribution(0, 40)(random);
        // Now and then a caption that is neither mark: it must count as occupied.
        cell = kind == 0 ? "x" : kind % 2 ? "X" : "O";
    }
    return board;
}

} // namespace

class tst_MoveChoice : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void cornerNotWorthThreeForO();
    void fullBoardAnswersZero();
    void strangeLineLengthsStillAnswerAnEmptyCell_data();
    void strangeLineLengthsStillAnswerAnEmptyCell();
    void answersAnEmptyCellOnRandomBoards();
};

void tst_MoveChoice::choice_data()
{
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<QList<int>>("os");
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<int>>("answers"); // every one of them must come up

    QTest::newRow("own five before blocking an open four")
        << QList<int>{114, 115, 116, 117, 195} << QList<int>{30, 31, 32, 33} << 5
        << QList<int>{29, 34};
    QTest::newRow("block a three when own two cannot help")
        << QList<int>{89, 90, 91} << QList<int>{45, 46} << 5 << QList<int>{88, 92};
    QTest::newRow("block on the side that builds own two")
        << QList<int>{89, 90, 91} << QList<int>{74, 75} << 5 << QList<int>{88};
    QTest::newRow("block a two where own two forms")
        << QList<int>{90, 104} << QList<int>{91} << 5 << QList<int>{76};
    QTest::newRow("own four before blocking a three")
        << QList<int>{89, 90, 91, 195} << QList<int>{45, 46, 47} << 5 << QList<int>{44, 48};
    QTest::newRow("block a four before making own four")
        << QList<int>{88, 89, 90, 91, 195} << QList<int>{45, 46, 47, 150} << 5
        << QList<int>{87, 92};
    QTest::newRow("length 7 does not block a three")
        << QList<int>{87, 88, 89} << QList<int>{31, 32} << 7 << QList<int>{30, 33};
    QTest::newRow("length 6 blocks the same three")
        << QList<int>{87, 88, 89} << QList<int>{31, 32} << 6 << QList<int>{86, 90};
    QTest::newRow("own two, the best cut of the player's runs, lowest index")
        << QList<int>{0, 90} << QList<int>{91} << 5 << QList<int>{76};
    QTest::newRow("nothing scores: first empty cell")
        << QList<int>{1, 14, 15} << QList<int>{0} << 7 << QList<int>{2};
}

void tst_MoveChoice::choice()
{
    QFETCH(QList<int>, xs);
    QFETCH(QList<int>, os);
    QFETCH(int, length);
    QFETCH(QList<int>, answers);

    const TestBoard board(xs, os);
    Analysis a;
    QSet<int> seen;
    for (int call = 0; call < 400; ++call) {
        const int cell = a.ChooseMove(board, length);
        QVERIFY2(answers.contains(cell), qPrintable(QString::number(cell)));
        seen.insert(cell);
        QCOMPARE(a.strDesk, board.cells);
    }
    // With two equal candidates, both come up over a few hundred calls.
    QCOMPARE(seen.size(), answers.size());
    QVERIFY(board.colours.empty());
}

void tst_MoveChoice::cornerNotWorthThreeForO()
{
    // "O" on 87 would make three, but between the two "X" there is no room for five.
    const TestBoard board({84, 88, 195}, {85, 86});
    Analysis a;
    a.ChooseMove(board, 5);
    QCOMPARE(a.intRateO[87], 0);
    QCOMPARE(a.intRateX[87], 2);
    QCOMPARE(a.intRateO[85], 0); // occupied cells score nothing
    QCOMPARE(a.intRateX[84], 0);
}

void tst_MoveChoice::fullBoardAnswersZero()
{
    TestBoard board;
    for (int cell = 0; cell < kCellCount; ++cell)
        board.cells[cell] = cell % 3 ? "X" : "O";
    Analysis a;
    QCOMPARE(a.ChooseMove(board, 5), 0);
}

void tst_MoveChoice::strangeLineLengthsStillAnswerAnEmptyCell_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("1") << 1;
    QTest::newRow("0") << 0;
    QTest::newRow("most negative") << INT_MIN;
    QTest::newRow("14") << 14;
    QTest::newRow("largest") << INT_MAX;
}

void tst_MoveChoice::strangeLineLengthsStillAnswerAnEmptyCell()
{
    QFETCH(int, length);
    const TestBoard board({0, 1, 2, 3, 90, 91, 92, 93}, {14, 15, 16, 104, 105});
    Analysis a;
    const int cell = a.ChooseMove(board, length);
    QVERIFY(cell >= 0 && cell < kCellCount);
    QCOMPARE(board.cells[cell], std::string());
}

// For every board: the answer is an empty cell; the tables score occupied
// cells 0 and empty ones 0 or 2..2N-1; the snapshot is the board again; and
// two calls differ only through a random pick among cells of one list, all
// worth nothing to the other side.
void tst_MoveChoice::answersAnEmptyCellOnRandomBoards()
{
    std::mt19937 random(1208);
    Analysis a;
    for (int trial = 0; trial < 3000; ++trial) {
        TestBoard board = randomBoard(random);
        board.cells[std::uniform_int_distribution(0, kCellCount - 1)(random)] = "";
        const int length = std::uniform_int_distribution(5, 7)(random);

        const int first = a.ChooseMove(board, length);
        QVERIFY(first >= 0 && first < kCellCount);
        QCOMPARE(board.cells[first], std::string());
        QCOMPARE(a.strDesk, board.cells);
        for (int cell = 0; cell < kCellCount; ++cell) {
            for (int score : {a.intRateO[cell], a.intRateX[cell]}) {
                if (!board.cells[cell].empty())
                    QCOMPARE(score, 0);
                QVERIFY(score == 0 || (score >= 2 && score <= 2 * length - 1));
            }
        }

        const auto rateO = a.intRateO;
        const auto rateX = a.intRateX;
        const int second = a.ChooseMove(board, length);
        QCOMPARE(a.intRateO, rateO);
        QCOMPARE(a.intRateX, rateX);
        if (second != first) {
            // Both from one list: same level (any score of N or more is the top
            // level) in one table, nothing in the other.
            const auto sameList = [&](const auto &own, const auto &other) {
                const bool sameLevel =
                    own[first] == own[second] || (own[first] >= length && own[second] >= length);
                return sameLevel && own[first] >= 2 && other[first] == 0 && other[second] == 0;
            };
            QVERIFY2(sameList(rateO, rateX) || sameList(rateX, rateO),
                     qPrintable(
                         QStringLiteral("trial %1: %2 then %3").arg(trial).arg(first).arg(second)));
        }
    }
}

QTEST_APPLESS_MAIN(tst_MoveChoice)
#include "tst_movechoice.moc"
