#pragma once

#include "analysis/board.h"

#include <array>
#include <cstdint>
#include <initializer_list>
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
    TestBoard(std::initializer_list<int> xs, std::initializer_list<int> os)
    {
        put(xs, "X");
        put(os, "O");
    }

    void put(std::initializer_list<int> list, const std::string &mark)
    {
        for (int cell : list)
            cells[cell] = mark;
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
