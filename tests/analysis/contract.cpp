// A client of the analysis that knows nothing of Qt, using only the public
// names; it exits non-zero if the library answers wrongly.
#include "analysis/analysis.h"
#include "analysis/board.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

class PlainBoard : public analysis::Board
{
public:
    std::array<std::string, 196> text;
    std::array<std::uint32_t, 196> colour{};
    std::string caption(int cell) const override { return text[cell]; }
    void setBackColor(int cell, std::uint32_t c) override { colour[cell] = c; }
};

int failures = 0;

void expect(bool ok, const char *what)
{
    if (!ok) {
        std::printf("FAIL: %s\n", what);
        ++failures;
    }
}

} // namespace

int main()
{
    PlainBoard board;
    analysis::Analysis a;
    for (int column = 0; column < 5; ++column)
        board.text[column] = "O";

    expect(a.CheckWin(board, 4, "O", 5), "five O in row 0 win");
    expect(board.colour[0] == 255 && board.colour[4] == 255 && board.colour[5] == 0,
           "the line is red, nothing else");

    a.strDesk.fill("");
    a.strDesk[100] = a.strDesk[101] = "X";
    a.ScanLine(100, 1, 5, "X");
    const analysis::CellPos last = a.udtLine[a.intRun - 1];
    expect(a.intRun == 2 && last.row == 7 && last.column == 3, "ScanLine measures two");
    (void)a.intSpan;
    (void)a.blnDone;

    board.text[4] = "";
    expect(a.ChooseMove(board, 5) == 4, "the computer completes its five");
    expect(a.intRateO[4] == 5 && a.intRateX[4] == 0, "score tables");

    std::printf("%d passed, %d failed\n", 5 - failures, failures);
    return failures == 0 ? 0 : 1;
}
