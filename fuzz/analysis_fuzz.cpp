// Feeds the analysis arbitrary boards, cells, directions and line lengths.
// Any answer outside what the game relies on aborts, so the fuzzer reports
// it like a crash; the seed corpus replays through the same checks in the
// regular test suite.
#include "analysis/analysis.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class FuzzBoard : public analysis::Board
{
public:
    std::array<std::string, analysis::kCellCount> cells;
    std::array<std::uint32_t, analysis::kCellCount> colours{};
    std::string caption(int cell) const override { return cells.at(cell); }
    void setBackColor(int cell, std::uint32_t colour) override { colours.at(cell) = colour; }
};

class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}
    std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    int integer()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | byte();
        int result;
        std::memcpy(&result, &value, sizeof result);
        return result;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

std::string caption(std::uint8_t code)
{
    static const char *const malformed[] = {"x", "o", " ", "XX", "0", "Х", "\n", "XO"};
    switch (code % 16) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
        return "";
    case 6:
    case 7:
    case 8:
        return "X";
    case 9:
    case 10:
    case 11:
        return "O";
    default:
        return malformed[(code / 16) % 8];
    }
}

// intRun is 0 or a straight run of the mark through the centre, never 1 and
// never longer than 2 * wanted - 1 (nor than one line of the board).
void checkScan(const analysis::Analysis &a, int cell, int direction, int wanted,
               const std::string &mark)
{
    require(a.intRun == 0 || (a.intRun >= 2 && a.intRun <= analysis::kBoardSide));
    if (a.intRun == 0)
        return;
    require(wanted >= 2 && a.intRun <= 2 * static_cast<long>(wanted) - 1);
    require(direction >= 1 && direction <= 4 && cell >= 0 && cell < analysis::kCellCount);
    static constexpr int dr[] = {0, 0, 1, 1, -1};
    static constexpr int dc[] = {0, 1, 0, 1, 1};
    bool centreSeen = false;
    for (int j = 0; j < a.intRun; ++j) {
        const analysis::CellPos p = a.udtLine[j];
        require(p.row >= 0 && p.row < 14 && p.column >= 0 && p.column < 14);
        require(a.strDesk[p.row * 14 + p.column] == mark);
        centreSeen |= p.row * 14 + p.column == cell;
        if (j > 0) {
            require(p.row - a.udtLine[j - 1].row == dr[direction]);
            require(p.column - a.udtLine[j - 1].column == dc[direction]);
        }
    }
    require(centreSeen);
    for (int j = a.intRun; j < analysis::kBoardSide; ++j)
        require(a.udtLine[j].row == 0 && a.udtLine[j].column == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Input in(data, size);
    FuzzBoard board;
    for (auto &cell : board.cells)
        cell = caption(in.byte());
    const int cell = in.integer();
    const int direction = in.integer();
    const int wanted = in.integer();
    const std::string mark = caption(in.byte());

    static analysis::Analysis a;
    a.strDesk = board.cells;
    a.ScanLine(cell, direction, wanted, mark);
    checkScan(a, cell, direction, wanted, mark);

    const bool won = a.CheckWin(board, cell, mark, wanted);
    require(a.strDesk == board.cells);
    for (int i = 0; i < analysis::kCellCount; ++i)
        require(board.colours[i] == 0 || (won && board.cells[i] == mark));

    const int chosen = a.ChooseMove(board, wanted);
    require(chosen >= 0 && chosen < analysis::kCellCount);
    bool anyEmpty = false;
    for (const auto &c : board.cells)
        anyEmpty |= c.empty();
    require(anyEmpty ? board.cells[chosen].empty() : chosen == 0);
    require(a.strDesk == board.cells);
    return 0;
}
