#pragma once

#include <cstdint>
#include <string>

namespace analysis {

constexpr int kBoardSide = 14;
constexpr int kCellCount = kBoardSide * kBoardSide;

struct CellPos
{
    int row = 0;
    int column = 0;
};

// The 196 cells as the window shows them; cell index = row * 14 + column.
// The analysis reads the board only through this, and writes nothing but
// the colours of a winning line.
class Board
{
public:
    virtual ~Board() = default;
    virtual std::string caption(int cell) const = 0;               // "X", "O" or ""
    virtual void setBackColor(int cell, std::uint32_t colour) = 0; // red in the low byte
};

} // namespace analysis
