#pragma once

#include "xcbatom.h"

#include <QElapsedTimer>
#include <QRect>
#include <QThread>

#include <xcb/xcb.h>

#include <array>
#include <cstdlib>

// A desktop panel, as GNOME's top bar or XFCE's panels are: a dock window
// along one edge of the screen that reserves a strip of it, so that the
// window manager leaves the strip out of the work area. It holds a
// connection of its own to the X server on $DISPLAY and stands as long as
// this object lives; start the window manager first.
class Panel
{
public:
    enum class Edge { Left, Right, Top, Bottom };

    Panel(Edge edge, int thickness)
        : m_connection(xcb_connect(nullptr, nullptr)), m_edge(edge), m_thickness(thickness)
    {
        if (!ok())
            return;
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_screen = QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
        const QRect strip = reserved();
        const xcb_window_t window = xcb_generate_id(m_connection);
        const uint32_t grey = 0x303030;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root,
                          int16_t(strip.x()), int16_t(strip.y()), uint16_t(strip.width()),
                          uint16_t(strip.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_BACK_PIXEL, &grey);

        const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
        set(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, &dock, 1);
        // left, right, top, bottom; then where along its edge each strip runs: all of it.
        std::array<uint32_t, 12> partial{};
        const int index = int(edge);
        partial[index] = uint32_t(thickness);
        const bool across = edge == Edge::Top || edge == Edge::Bottom;
        partial[5 + 2 * index] = uint32_t((across ? m_screen.width() : m_screen.height()) - 1);
        set(window, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL, partial.data(), 12);
        // The older form, for window managers that read only it.
        set(window, "_NET_WM_STRUT", XCB_ATOM_CARDINAL, partial.data(), 4);
        const uint32_t allDesktops = 0xFFFFFFFF;
        set(window, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL, &allDesktops, 1);
        // Placed and sized by the user (flags 1 and 2), never resized (min = max, flags 16 and 32).
        std::array<uint32_t, 18> hints{};
        hints[0] = 1 | 2 | 16 | 32;
        hints[1] = uint32_t(strip.x());
        hints[2] = uint32_t(strip.y());
        hints[3] = hints[5] = hints[7] = uint32_t(strip.width());
        hints[4] = hints[6] = hints[8] = uint32_t(strip.height());
        set(window, "WM_NORMAL_HINTS", XCB_ATOM_WM_SIZE_HINTS, hints.data(), 18);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                            XCB_ATOM_STRING, 8, 5, "panel");
        m_window = window;
        xcb_map_window(m_connection, window);
        xcb_flush(m_connection);
    }
    ~Panel() { xcb_disconnect(m_connection); }
    Panel(const Panel &) = delete;
    Panel &operator=(const Panel &) = delete;

    bool ok() const { return xcb_connection_has_error(m_connection) == 0; }

    // Whether the window manager took the panel in, as it says by the panel's WM_STATE, within
    // waitMs. A manager still starting up can lose the request to map it (openbox now and
    // then does), so the request is made again each second until one is heard.
    bool managed(int waitMs)
    {
        QElapsedTimer clock;
        clock.start();
        const xcb_atom_t state = atom("WM_STATE");
        for (int asked = 1;;) {
            auto *reply = xcb_get_property_reply(
                m_connection,
                xcb_get_property(m_connection, false, m_window, state, state, 0, 2), nullptr);
            const bool found = reply && xcb_get_property_value_length(reply) > 0;
            std::free(reply);
            if (found)
                return true;
            if (clock.elapsed() >= waitMs)
                return false;
            if (clock.elapsed() >= 1000 * asked) {
                ++asked;
                xcb_map_window(m_connection, m_window);
                xcb_flush(m_connection);
            }
            QThread::msleep(50);
        }
    }

    // The strip of the screen the panel takes.
    QRect reserved() const
    {
        QRect strip = m_screen;
        switch (m_edge) {
        case Edge::Left:
            strip.setWidth(m_thickness);
            break;
        case Edge::Right:
            strip.setLeft(m_screen.right() + 1 - m_thickness);
            break;
        case Edge::Top:
            strip.setHeight(m_thickness);
            break;
        case Edge::Bottom:
            strip.setTop(m_screen.bottom() + 1 - m_thickness);
            break;
        }
        return strip;
    }

    // What is left of `area` once the panel's strip is taken out.
    QRect leaves(QRect area) const
    {
        const QRect strip = reserved();
        switch (m_edge) {
        case Edge::Left:
            area.setLeft(qMax(area.left(), strip.right() + 1));
            break;
        case Edge::Right:
            area.setRight(qMin(area.right(), strip.left() - 1));
            break;
        case Edge::Top:
            area.setTop(qMax(area.top(), strip.bottom() + 1));
            break;
        case Edge::Bottom:
            area.setBottom(qMin(area.bottom(), strip.top() - 1));
            break;
        }
        return area;
    }

private:
    xcb_atom_t atom(const char *name) const
    {
        return xcbAtom(m_connection, name);
    }
    void set(xcb_window_t window, const char *property, xcb_atom_t type, const void *data,
             uint32_t count)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom(property), type,
                            32, count, data);
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    Edge m_edge;
    int m_thickness;
    QRect m_screen;
};
