#pragma once

#include <QImage>
#include <QRect>

// Reading the board off a screenshot of the game's window, as a player sees it.

enum class Glyph { None, Cross, Ring };

inline bool darkPixel(QRgb pixel)
{
    return qGray(pixel) < 96;
}

// Tells a cell's mark from the dark pixels inside its frame: an "X" is dark
// where its strokes cross, in the middle of its outline; an "O" is hollow there.
inline Glyph glyphIn(const QImage &window, const QRect &cell)
{
    const QRect inside = cell.adjusted(4, 4, -4, -4);
    QRect outline;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (darkPixel(window.pixel(x, y)))
                outline |= QRect(x, y, 1, 1);
    if (outline.width() < 4 || outline.height() < 4)
        return Glyph::None;
    const QPoint middle = outline.center();
    for (const QPoint &step : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
        if (darkPixel(window.pixel(middle + step)))
            return Glyph::Cross;
    return Glyph::Ring;
}

// A board cell in the window, the menu bar above the client area.
inline QRect cellRect(int index, int menuHeight)
{
    return QRect(12 + 24 * (index % 14), menuHeight + 8 + 24 * (index / 14), 25, 25);
}
