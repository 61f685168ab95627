// The computer's move choice on boards of three stages of a game.
#include "analysis/analysis.h"

#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <string>

namespace {

class BenchBoard : public analysis::Board
{
public:
    std::array<std::string, analysis::kCellCount> cells;
    std::string caption(int cell) const override { return cells[cell]; }
    void setBackColor(int, std::uint32_t) override {}
};

// `marks` marks, X and O in turn, scattered over the middle of the board the
// way a game spreads from its centre; the same board on every run.
BenchBoard boardWith(int marks)
{
    BenchBoard board;
    std::mt19937 random(static_cast<unsigned>(marks));
    std::normal_distribution<double> spread(6.5, marks < 100 ? 2.5 : 6.0);
    int placed = 0;
    while (placed < marks) {
        const int row = static_cast<int>(spread(random));
        const int column = static_cast<int>(spread(random));
        if (row < 0 || row > 13 || column < 0 || column > 13)
            continue;
        std::string &cell = board.cells[row * 14 + column];
        if (!cell.empty())
            continue;
        cell = placed % 2 ? "O" : "X";
        ++placed;
    }
    return board;
}

void chooseMove(benchmark::State &state)
{
    const BenchBoard board = boardWith(static_cast<int>(state.range(0)));
    const int length = static_cast<int>(state.range(1));
    analysis::Analysis a;
    for (auto _ : state)
        benchmark::DoNotOptimize(a.ChooseMove(board, length));
}

} // namespace

// Early (5 marks), mid-game (41 marks) and nearly full (185 marks), N = 5, 6, 7.
BENCHMARK(chooseMove)
    ->ArgNames({"marks", "N"})
    ->ArgsProduct({{5, 41, 185}, {5, 6, 7}})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
