#pragma once

#include "analysis/board.h"

#include <array>
#include <cstdint>
#include <random>
#include <string>

namespace analysis {

constexpr std::uint32_t kColourRed = 255;     // a line of "O"
constexpr std::uint32_t kColourGreen = 65280; // a line of "X"

// The computer's judgement: measuring runs of one mark through a cell,
// deciding a win and colouring its line, and choosing the computer's move.
//
// One instance lives as long as the program. Its members are working state
// that every call overwrites; nothing in them carries over between calls.
class Analysis
{
public:
    // Board snapshot, refilled from the board by CheckWin and ChooseMove.
    std::array<std::string, kCellCount> strDesk;
    // Cells of the run found by the last ScanLine, in walking order;
    // entries from intRun on are row 0, column 0.
    std::array<CellPos, kBoardSide> udtLine{};
    int intRun = 0;
    int intSpan = 0;
    bool blnDone = false;
    // Scores of every cell for "O" and for "X" from the latest ChooseMove.
    std::array<int, kCellCount> intRateO{};
    std::array<int, kCellCount> intRateX{};

    // Measures the run of `mark` through `cell` along `direction` (1 row,
    // 2 column, 3 diagonal down-right, 4 diagonal up-right) as far as it
    // matters for a line of `wanted`; the result is intRun and udtLine.
    void ScanLine(int cell, int direction, int wanted, const std::string &mark);

    // True when `mark` on `cell` completes a line of at least `wanted`;
    // the line of the first winning direction is then coloured on the board.
    bool CheckWin(Board &board, int cell, const std::string &mark, int wanted);

    // The cell on which the computer places "O"; 0 on a full board.
    int ChooseMove(const Board &board, int intLen);

private:
    // What a snapshot cell holds, encoded once so that move scoring compares bytes.
    enum class Cell : std::uint8_t { Empty, X, O, Foreign };
    // A cell as one scan sees it, relative to the mark being measured.
    enum class Seen : std::uint8_t { Mark, Free, Other };
    struct LineCells;

    template <typename Classify>
    static LineCells collectLine(int cell, int direction, int wanted, Classify classify);
    void runPasses(const LineCells &line, int wanted);
    void ScanCell(const CellPos &pos, Seen seen, int k);
    void ClearLine();
    void takeSnapshot(const Board &board);
    int scoreCell(int cell, Cell mark, int wanted);
    int pickFrom(const std::array<int, kCellCount> &candidates, int count,
                 const std::array<int, kCellCount> &otherTable);

    std::array<Cell, kCellCount> m_cells{};
    std::mt19937 m_random;
};

} // namespace analysis
