#include "analysis/analysis.h"

#include <algorithm>
#include <chrono>

namespace analysis {

namespace {

// Walking step of each direction code; index 0 is unused.
constexpr int kStepRow[] = {0, 0, 1, 1, -1};
constexpr int kStepColumn[] = {0, 1, 0, 1, 1};

bool onBoard(int row, int column)
{
    return row >= 0 && row < kBoardSide && column >= 0 && column < kBoardSide;
}

bool validCell(int cell)
{
    return cell >= 0 && cell < kCellCount;
}

int indexOf(const CellPos &pos)
{
    return pos.row * kBoardSide + pos.column;
}

} // namespace

// The cells of the widest window a scan walks (the first pass), in walking
// order. Every narrower pass is a stretch of it around the centre.
struct Analysis::LineCells
{
    std::array<CellPos, kBoardSide> pos{};
    std::array<Seen, kBoardSide> seen{};
    int count = 0;
    int centre = 0; // position of the centre cell in pos and seen
};

template <typename Classify>
Analysis::LineCells Analysis::collectLine(int cell, int direction, int wanted, Classify classify)
{
    const int row = cell / kBoardSide;
    const int column = cell % kBoardSide;
    const int dr = kStepRow[direction];
    const int dc = kStepColumn[direction];
    // No line of the board is longer than 14 cells; this also keeps a huge
    // wanted length from overflowing the window arithmetic.
    const int reach = wanted < 2 ? 0 : std::min(wanted - 1, kBoardSide - 1);

    int back = 0;
    while (back < reach && onBoard(row - (back + 1) * dr, column - (back + 1) * dc))
        ++back;
    int forth = 0;
    while (forth < reach && onBoard(row + (forth + 1) * dr, column + (forth + 1) * dc))
        ++forth;

    LineCells line;
    line.centre = back;
    for (int step = -back; step <= forth; ++step) {
        const CellPos pos{row + step * dr, column + step * dc};
        line.pos[line.count] = pos;
        line.seen[line.count] = classify(indexOf(pos));
        ++line.count;
    }
    return line;
}

void Analysis::ClearLine()
{
    udtLine.fill(CellPos{});
}

void Analysis::ScanCell(const CellPos &pos, Seen seen, int k)
{
    if (seen == Seen::Mark) {
        if (!blnDone) {
            udtLine[intRun] = pos;
            ++intRun;
        }
        ++intSpan;
        return;
    }
    if (intRun >= k) {
        blnDone = true; // the run stays in the buffer
    } else if (intRun != 0) {
        ClearLine(); // a run shorter than k is dropped
        intRun = 0;
    }
    if (seen == Seen::Free)
        ++intSpan;
    else if (intSpan < k) // a stretch that has reached k is not reset
        intSpan = 0;
}

// Passes from k = wanted down to 2, each over the centre and up to k - 1
// cells either side of it: the narrowing keeps runs that miss the centre
// out of the result.
void Analysis::runPasses(const LineCells &line, int wanted)
{
    for (int k = wanted; k >= 2; --k) {
        const int first = line.centre - std::min(k - 1, line.centre);
        const int last = line.centre + std::min(k - 1, line.count - 1 - line.centre);
        ClearLine();
        intRun = 0;
        intSpan = 0;
        blnDone = false;
        for (int i = first; i <= last; ++i)
            ScanCell(line.pos[i], line.seen[i], k);
        if (intRun >= k)
            return;
        if (k == wanted && intSpan < k)
            break; // no room for a whole line here, so shorter runs count for nothing
    }
    ClearLine();
    intRun = 0;
}

void Analysis::ScanLine(int cell, int direction, int wanted, const std::string &mark)
{
    if (!validCell(cell) || direction < 1 || direction > 4 || wanted < 2) {
        ClearLine();
        intRun = 0;
        intSpan = 0;
        blnDone = false;
        return;
    }
    const LineCells line = collectLine(cell, direction, wanted, [&](int i) {
        const std::string &v = strDesk[i];
        if (v == mark)
            return Seen::Mark;
        return v.empty() ? Seen::Free : Seen::Other;
    });
    runPasses(line, wanted);
}

void Analysis::takeSnapshot(const Board &board)
{
    for (int i = 0; i < kCellCount; ++i)
        strDesk[i] = board.caption(i);
}

bool Analysis::CheckWin(Board &board, int cell, const std::string &mark, int wanted)
{
    takeSnapshot(board);
    // A line shorter than two measures nothing, so it wins nothing either.
    if (!validCell(cell) || wanted < 2)
        return false;
    for (int direction = 1; direction <= 4; ++direction) {
        ScanLine(cell, direction, wanted, mark);
        if (intRun >= wanted) {
            const std::uint32_t colour = mark == "O" ? kColourRed : kColourGreen;
            const int count = intRun;
            for (int j = 0; j < count; ++j)
                board.setBackColor(indexOf(udtLine[j]), colour);
            return true;
        }
    }
    return false;
}

// The score of an empty cell for a mark: the longest run that mark would make
// there in a line with room for a win (0 when none). A direction whose two
// neighbours of the cell do not hold the mark can only measure 0, so it is
// not scanned.
int Analysis::scoreCell(int cell, Cell mark, int wanted)
{
    if (wanted < 2)
        return 0;
    const int row = cell / kBoardSide;
    const int column = cell % kBoardSide;
    const auto holdsMark = [&](int r, int c) {
        return onBoard(r, c) && m_cells[r * kBoardSide + c] == mark;
    };
    const auto seen = [&](int i) {
        if (i == cell || m_cells[i] == mark)
            return Seen::Mark;
        return m_cells[i] == Cell::Empty ? Seen::Free : Seen::Other;
    };

    int best = 0;
    for (int direction = 1; direction <= 4; ++direction) {
        const int dr = kStepRow[direction];
        const int dc = kStepColumn[direction];
        if (!holdsMark(row - dr, column - dc) && !holdsMark(row + dr, column + dc))
            continue;
        runPasses(collectLine(cell, direction, wanted, seen), wanted);
        best = std::max(best, intRun);
    }
    return best;
}

int Analysis::pickFrom(const std::array<int, kCellCount> &candidates, int count,
                       const std::array<int, kCellCount> &otherTable)
{
    int best = 0;
    int chosen = kCellCount;
    for (int i = 0; i < count; ++i) {
        if (best < otherTable[candidates[i]]) {
            best = otherTable[candidates[i]];
            chosen = candidates[i];
        }
    }
    if (chosen != kCellCount)
        return chosen;
    // Nothing here is worth anything to the other side: every candidate is
    // equally good, so take one at random.
    const float r = std::uniform_real_distribution<float>(0.0f, 1.0f)(m_random);
    const int k = std::min(static_cast<int>(static_cast<float>(count) * r), count - 1);
    return candidates[k];
}

int Analysis::ChooseMove(const Board &board, int intLen)
{
    takeSnapshot(board);
    for (int i = 0; i < kCellCount; ++i) {
        const std::string &v = strDesk[i];
        m_cells[i] = v.empty()  ? Cell::Empty
                     : v == "X" ? Cell::X
                     : v == "O" ? Cell::O
                                : Cell::Foreign;
    }

    for (int i = 0; i < kCellCount; ++i) {
        const bool empty = m_cells[i] == Cell::Empty;
        intRateO[i] = empty ? scoreCell(i, Cell::O, intLen) : 0;
        intRateX[i] = empty ? scoreCell(i, Cell::X, intLen) : 0;
    }

    m_random.seed(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));

    // No score exceeds the 14 cells of one line; higher levels would be empty.
    std::array<int, kCellCount> candidates{};
    const auto collect = [&](const std::array<int, kCellCount> &table, int level) {
        int count = 0;
        for (int i = 0; i < kCellCount; ++i)
            if (table[i] >= level)
                candidates[count++] = i;
        return count;
    };
    for (int level = std::min(intLen, kBoardSide); level >= 2; --level) {
        if (const int count = collect(intRateO, level))
            return pickFrom(candidates, count, intRateX);
        // The player is blocked only at the three highest levels.
        if (level > intLen - 3) {
            if (const int count = collect(intRateX, level))
                return pickFrom(candidates, count, intRateO);
        }
    }

    for (int i = 0; i < kCellCount; ++i)
        if (strDesk[i].empty())
            return i;
    return 0;
}

} // namespace analysis
