#pragma once

#include "analysis/board.h"

#include <QList>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A board held in plain strings, recording every colour the analysis sets.
class TestBoard : public analysis::Board
{
public:
    std::array<std::string, analysis::kCellCount> cells;
    std::map<int, std::uint32_t> colours;

    TestBoard() = default;
    // "X" on the cells `xs`, "O" on `os`, the rest empty.
    TestBoard(const QList<int> &xs, const QList<int> &os)
    {
        for (int cell : xs)
            cells[cell] = "X";
        for (int cell : os)
            cells[cell] = "O";
    }

    // The cells coloured so far, in ascending order.
    std::vector<int> colouredCells() const
    {
        std::vector<int> list;
        for (const auto &entry : colours)
            list.push_back(entry.first);
        return list;
    }

    std::string caption(int cell) const override { return cells.at(cell); }
    void setBackColor(int cell, std::uint32_t colour) override { colours[cell] = colour; }
};

inline int cellAt(int row, int column)
{
    return row * analysis::kBoardSide + column;
}
