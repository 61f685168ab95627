// Thousands of whole games played on the real window by a random player:
// clicks and key presses on empty and marked cells, line lengths chosen at
// any moment, New game at random, clock ticks while the time of day moves
// on. After every event the window must still make sense.
#include "analysis/analysis.h"
#include "windowdriver.h"

#include <QPushButton>
#include <QTest>

#include <array>
#include <random>

using namespace Qt::StringLiterals;

namespace {

constexpr int kGames = 2000;
constexpr unsigned kSeed = 20261208;
constexpr int kSecondsPerDay = 86400;

// What the window shows, read from its widgets.
struct View
{
    std::array<QString, WindowDriver::kCells> captions;
    int xs = 0;
    int os = 0;
    QString step, time, length;
    bool clockRuns = false;
    std::array<bool, 3> lengthEnabled{};
    std::array<bool, 3> lengthChecked{};

    bool operator==(const View &) const = default;
};

QString clockText(int seconds)
{
    return u"%1:%2:%3"_s.arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

class tst_Soak : public QObject, public WindowDriver
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void thousandsOfGames();

private:
    enum class Outcome { Playing, PlayerWon, ComputerWon, FullBoard };

    View view() const;
    // Cells painted pure green or red, read from one picture of the board.
    QList<int> paintedCells(QRgb *colour) const;
    void checkView(const View &v) const;
    void checkWinLine(int lastMove, const QString &mark) const;
    int pickCell(const View &v);

    // ZORBUNY_SOAK_PART=k/n plays the k-th of n shares of the games, with
    // a random sequence of its own, so that CTest can run the shares side by
    // side; without it one run plays them all.
    int m_part = 0;
    int m_parts = 1;
    std::mt19937 m_random{kSeed};
    int m_seconds = 10 * 3600; // the time of day
    int m_carelessness = 0;    // the share of random moves, in per cent
};

void tst_Soak::initTestCase()
{
    const QString part = qEnvironmentVariable("ZORBUNY_SOAK_PART");
    if (part.isEmpty())
        return;
    const QStringList numbers = part.split(u'/');
    bool partOk = false;
    bool partsOk = false;
    if (numbers.size() == 2) {
        m_part = numbers[0].toInt(&partOk) - 1;
        m_parts = numbers[1].toInt(&partsOk);
    }
    QVERIFY2(partOk && partsOk && m_parts > 0 && m_part >= 0 && m_part < m_parts,
             qPrintable(u"ZORBUNY_SOAK_PART is k/n with 1 <= k <= n, not %1"_s.arg(part)));
    m_random.seed(kSeed + unsigned(m_part));
}

void tst_Soak::init()
{
    open();
    // Whole seconds, so that the clock's text can be worked out exactly.
    m_window->setTimeOfDay([this] { return m_seconds / double(kSecondsPerDay); });
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_Soak::cleanup()
{
    close();
}

View tst_Soak::view() const
{
    View v;
    for (int i = 0; i < kCells; ++i) {
        v.captions[i] = cell(i)->text();
        v.xs += v.captions[i] == "X"_L1;
        v.os += v.captions[i] == "O"_L1;
    }
    v.step = text("lblStep");
    v.time = text("lblTime");
    v.length = text("lblLen");
    v.clockRuns = clockRuns();
    for (int n = 0; n < 3; ++n) {
        v.lengthEnabled[n] = action(kLengthItems[n])->isEnabled();
        v.lengthChecked[n] = action(kLengthItems[n])->isChecked();
    }
    return v;
}

QList<int> tst_Soak::paintedCells(QRgb *colour) const
{
    const QImage board =
        cell(0)->parentWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QList<int> painted;
    for (int i = 0; i < kCells; ++i) {
        // Inside the frame, clear of the neighbours' overlap and of the mark.
        const QPoint inside = cell(i)->geometry().topLeft() + QPoint(4, 4);
        const QRgb pixel = board.pixel(inside);
        if (pixel == kGreen || pixel == kRed) {
            painted << i;
            *colour = pixel;
        }
    }
    return painted;
}

// The invariants that hold after any event.
void tst_Soak::checkView(const View &v) const
{
    QCOMPARE(v.xs + v.os + int(std::count(v.captions.begin(), v.captions.end(), QString())),
             kCells);
    QCOMPARE(v.step, QString::number(v.xs));
    // The computer answers every move but a winning one.
    QVERIFY(v.os == v.xs || (v.os == v.xs - 1 && !v.clockRuns));

    QCOMPARE(std::count(v.lengthChecked.begin(), v.lengthChecked.end(), true), 1);
    const int checked = int(std::find(v.lengthChecked.begin(), v.lengthChecked.end(), true) -
                            v.lengthChecked.begin());
    QCOMPARE(v.length, QString::number(checked + 5));

    // Before the first exchange the clock stands and the lengths may change;
    // after it, they are fixed, and the clock runs until somebody wins.
    const bool started = v.xs > 0;
    for (bool enabled : v.lengthEnabled)
        QCOMPARE(enabled, !started);
    if (!started) {
        QVERIFY(!v.clockRuns);
        QCOMPARE(v.time, u"0:00:00"_s);
    }

    if (v.xs + v.os < kCells) {
        analysis::Analysis reader;
        const int chosen = reader.ChooseMove(*m_window, checked + 5);
        QVERIFY(chosen >= 0 && chosen < kCells);
        QCOMPARE(v.captions[chosen], QString());
    }
}

// A won board: exactly one line is painted, in the winner's colour, through
// the last move, all of it the winner's marks, between N and 2N - 1 long.
void tst_Soak::checkWinLine(int lastMove, const QString &mark) const
{
    QRgb colour = 0;
    const QList<int> painted = paintedCells(&colour);
    const int length = view().length.toInt();
    QVERIFY2(painted.size() >= length && painted.size() <= 2 * length - 1,
             qPrintable(u"%1 cells painted"_s.arg(painted.size())));
    QCOMPARE(colour, mark == "X"_L1 ? kGreen : kRed);
    QVERIFY(painted.contains(lastMove));
    const int dRow = painted[1] / kSide - painted[0] / kSide;
    const int dColumn = painted[1] % kSide - painted[0] % kSide;
    QVERIFY(std::abs(dRow) <= 1 && std::abs(dColumn) <= 1);
    for (int j = 0; j < painted.size(); ++j) {
        QCOMPARE(cell(painted[j])->text(), mark);
        if (j > 0) {
            QCOMPARE(painted[j] / kSide - painted[j - 1] / kSide, dRow);
            QCOMPARE(painted[j] % kSide - painted[j - 1] % kSide, dColumn);
        }
    }
}

// The board with the marks swapped, so the computer's own judgement can
// choose the player's moves.
class Mirror : public analysis::Board
{
public:
    std::array<std::string, WindowDriver::kCells> cells;
    std::string caption(int cell) const override { return cells[cell]; }
    void setBackColor(int, std::uint32_t) override {}
};

// Now and then a random move, on an empty or a marked cell; otherwise the
// move the computer would make in the player's place. Such a player wins
// some games, loses some and, with longer lines, fills the board.
int tst_Soak::pickCell(const View &v)
{
    const int roll = std::uniform_int_distribution(0, 99)(m_random);
    QList<int> empty;
    for (int i = 0; i < kCells; ++i)
        if (v.captions[i].isEmpty())
            empty << i;
    if (roll < m_carelessness / 3 || empty.isEmpty())
        return std::uniform_int_distribution(0, kCells - 1)(m_random);
    if (roll < m_carelessness || v.xs == 0)
        return empty[std::uniform_int_distribution(0, int(empty.size()) - 1)(m_random)];

    Mirror mirror;
    for (int i = 0; i < kCells; ++i) {
        if (v.captions[i] == "X"_L1)
            mirror.cells[i] = 'O';
        else if (v.captions[i] == "O"_L1)
            mirror.cells[i] = 'X';
    }
    analysis::Analysis player;
    return player.ChooseMove(mirror, v.length.toInt());
}

void tst_Soak::thousandsOfGames()
{
    std::array<int, 4> outcomes{};
    int clockStart = 0;
    long events = 0;

    const int games = kGames / m_parts + (m_part < kGames % m_parts ? 1 : 0);
    for (int game = 0; game < games; ++game) {
        Outcome outcome = Outcome::Playing;
        m_carelessness = game % 3 ? 0 : 30;
        // A game ends by a win or a full board (played on a little, to see
        // that nothing is accepted), or is given up for New game.
        int afterEnd = std::uniform_int_distribution(1, 3)(m_random);
        while (afterEnd > 0) {
            const View before = view();
            const int roll = std::uniform_int_distribution(0, 99)(m_random);
            ++events;

            if (std::uniform_int_distribution(0, 199)(m_random) == 0) {
                break; // New game at a random moment
            } else if (roll < 6) {
                action(kLengthItems[std::uniform_int_distribution(0, 2)(m_random)])->trigger();
                if (before.xs > 0)
                    QVERIFY(view() == before); // disabled items do nothing
            } else if (roll < 30) {
                m_seconds =
                    (m_seconds + std::uniform_int_distribution(0, 7200)(m_random)) % kSecondsPerDay;
                if (before.clockRuns) {
                    tick();
                    const int elapsed = (m_seconds - clockStart + kSecondsPerDay) % kSecondsPerDay;
                    QCOMPARE(view().time, clockText(elapsed));
                }
            } else {
                const int target = pickCell(before);
                if (roll < 45) {
                    cell(target)->setFocus();
                    QTest::keyClick(cell(target), roll % 2 ? Qt::Key_Space : Qt::Key_Return);
                } else {
                    QTest::mouseClick(cell(target), Qt::LeftButton);
                }
                const View after = view();
                const bool accepted =
                    outcome == Outcome::Playing && before.captions[target].isEmpty();
                if (!accepted) {
                    QVERIFY2(after == before, "a refused click changed the window");
                } else {
                    QCOMPARE(after.captions[target], u"X"_s);
                    QCOMPARE(after.xs, before.xs + 1);
                    if (before.xs == 0) {
                        QCOMPARE(after.captions[target == 90 ? 91 : 90], u"O"_s);
                        clockStart = m_seconds;
                    }
                    if (after.os == before.os) {
                        outcome = Outcome::PlayerWon;
                        checkWinLine(target, u"X"_s);
                    } else {
                        QCOMPARE(after.os, before.os + 1);
                        auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
                        QVERIFY(focused && focused->text() == "O"_L1);
                        const int reply = int(std::find(m_cells.begin(), m_cells.end(), focused) -
                                              m_cells.begin());
                        QCOMPARE(before.captions[reply], QString());
                        if (!after.clockRuns) {
                            outcome = Outcome::ComputerWon;
                            checkWinLine(reply, u"O"_s);
                        } else if (after.xs + after.os == kCells) {
                            outcome = Outcome::FullBoard;
                        }
                    }
                }
            }
            checkView(view());
            if (QTest::currentTestFailed())
                return;
            if (outcome != Outcome::Playing)
                --afterEnd;
        }
        ++outcomes[int(outcome)];

        action("mnuGameNew")->trigger();
        const View fresh = view();
        QCOMPARE(fresh.xs + fresh.os, 0);
        QCOMPARE(fresh.time, u"0:00:00"_s);
        QVERIFY(!fresh.clockRuns);
        QRgb colour = 0;
        QVERIFY(paintedCells(&colour).isEmpty());
        checkView(fresh);
        if (QTest::currentTestFailed())
            return;
    }

    qInfo("%d games, %ld events: %d player wins, %d computer wins, %d full boards, "
          "%d given up for New game",
          games, events, outcomes[int(Outcome::PlayerWon)], outcomes[int(Outcome::ComputerWon)],
          outcomes[int(Outcome::FullBoard)], outcomes[int(Outcome::Playing)]);
    for (int outcome : outcomes)
        QVERIFY2(outcome > 0, "every way a game can end should have come up");
}

QTEST_MAIN(tst_Soak)
#include "tst_soak.moc"
