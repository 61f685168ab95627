#pragma once

#include <QImage>
#include <QRect>

// Reading the board off a screenshot of the game's window, as a player sees it.

// The client area below the menu bar.
constexpr int kClientWidth = 360;
constexpr int kClientHeight = 373;

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

// The height of the menu bar over the client area in a screenshot of the
// window, 0 if the shot is not the game's window with its menu bar.
inline int menuHeightIn(const QImage &window)
{
    return qMax(window.height() - kClientHeight, 0);
}

// The first frame is in when the status line's text is: a few dark pixels on
// a light ground, where a window not yet drawn is all black.
inline bool windowDrawn(const QImage &window)
{
    const int menuHeight = menuHeightIn(window);
    int text = 0;
    int area = 0;
    for (int y = menuHeight + 352; y < window.height(); ++y) {
        for (int x = 16; x < 80; ++x) {
            text += darkPixel(window.pixel(x, y));
            ++area;
        }
    }
    return menuHeight > 0 && text > 20 && text < area / 2;
}
