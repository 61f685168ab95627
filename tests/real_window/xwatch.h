#pragma once

#include "xcbatom.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QList>
#include <QRect>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <sys/uio.h>

#include <cstdlib>

// The test's own connection to the X server: reads windows' properties and
// geometry as the window manager leaves them, and records where each
// top-level window (a frame, under a reparenting manager) stood when it was
// mapped and wherever it went afterwards; and clicks as a mouse does.
class XWatch
{
public:
    XWatch() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (!ok())
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~XWatch() { xcb_disconnect(m_connection); }
    XWatch(const XWatch &) = delete;
    XWatch &operator=(const XWatch &) = delete;

    bool ok() const { return xcb_connection_has_error(m_connection) == 0; }
    xcb_window_t root() const { return m_root; }

    xcb_atom_t atom(const char *name) const
    {
        return xcbAtom(m_connection, name);
    }

    // A property of 32-bit values (cardinals, atoms, windows); empty when unset.
    QList<quint32> values(xcb_window_t window, const char *property) const
    {
        auto *reply =
            xcb_get_property_reply(m_connection,
                                   xcb_get_property(m_connection, false, window, atom(property),
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                                   nullptr);
        QList<quint32> found;
        if (reply && reply->format == 32) {
            const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
            for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
                found << data[i];
        }
        std::free(reply);
        return found;
    }

    // The top-level window that holds `window`: its frame, or itself without one.
    xcb_window_t topLevel(xcb_window_t window) const
    {
        for (;;) {
            auto *tree =
                xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr);
            const xcb_window_t parent = tree ? tree->parent : m_root;
            std::free(tree);
            if (parent == m_root || parent == XCB_WINDOW_NONE)
                return window;
            window = parent;
        }
    }

    QRect geometry(xcb_window_t window) const
    {
        auto *reply =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        QRect found;
        if (reply)
            found = QRect(reply->x, reply->y, reply->width + 2 * reply->border_width,
                          reply->height + 2 * reply->border_width);
        std::free(reply);
        return found;
    }

    // Where a window stands on the root, and its size.
    QRect onRoot(xcb_window_t window) const
    {
        auto *reply = xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0),
            nullptr);
        const QRect found =
            reply ? QRect(QPoint(reply->dst_x, reply->dst_y), geometry(window).size()) : QRect();
        std::free(reply);
        return found;
    }

    // What a window shows, read from the server itself: under XWayland, whose root shows
    // nothing, Qt's grab of the screen around a window comes back blank.
    QImage image(xcb_window_t window) const
    {
        const QRect area = geometry(window);
        auto *reply = xcb_get_image_reply(
            m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                          uint16_t(area.width()), uint16_t(area.height()), ~0u),
            nullptr);
        QImage found;
        // 24 and 32 bits deep windows both come as 32-bit pixels.
        if (reply && (reply->depth == 24 || reply->depth == 32) &&
            xcb_get_image_data_length(reply) == 4 * area.width() * area.height())
            found = QImage(xcb_get_image_data(reply), area.width(), area.height(),
                           QImage::Format_RGB32)
                        .copy();
        std::free(reply);
        return found;
    }

    // Reads the notifications that have come, keeping for each top-level
    // window its place when mapped and every place it was moved to after.
    void drain()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            switch (event->response_type & 0x7f) {
            case XCB_CREATE_NOTIFY: {
                const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(event);
                m_place[created->window] =
                    QRect(created->x, created->y, created->width, created->height);
                break;
            }
            case XCB_CONFIGURE_NOTIFY: {
                const auto *moved = reinterpret_cast<xcb_configure_notify_event_t *>(event);
                if (moved->event != m_root)
                    break;
                const QRect place(moved->x, moved->y, moved->width, moved->height);
                m_place[moved->window] = place;
                if (m_mappedAt.contains(moved->window))
                    m_movedTo[moved->window] << place;
                break;
            }
            case XCB_MAP_NOTIFY: {
                const auto *mapped = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (mapped->event == m_root && !m_mappedAt.contains(mapped->window))
                    m_mappedAt[mapped->window] = m_place.value(mapped->window);
                break;
            }
            default:
                break;
            }
            std::free(event);
        }
    }

    // A click of the first button at a point of the root, by XTEST, as the X server takes a
    // mouse's. XWayland under KWin 6.7 hands XTEST's input to KWin, which moves its own
    // pointer to the point: xdotool's move there (XWarpPointer) moves only XWayland's idea of
    // the pointer, and its relative move KWin has been seen to make twice over.
    bool click(const QPoint &at)
    {
        fakeInput(XCB_MOTION_NOTIFY, 0, at);
        // The server has the pointer there once the compositor has moved it.
        QElapsedTimer clock;
        clock.start();
        while (pointer() != at) {
            if (clock.elapsed() > 5000)
                return false;
            QTest::qWait(20);
        }
        fakeInput(XCB_BUTTON_PRESS, 1, at);
        fakeInput(XCB_BUTTON_RELEASE, 1, at);
        return true;
    }

    QRect mappedAt(xcb_window_t topLevel) const { return m_mappedAt.value(topLevel); }
    QList<QRect> movedTo(xcb_window_t topLevel) const { return m_movedTo.value(topLevel); }

private:
    QPoint pointer() const
    {
        auto *reply =
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
        const QPoint found = reply ? QPoint(reply->root_x, reply->root_y) : QPoint(-1, -1);
        std::free(reply);
        return found;
    }

    // XTEST's FakeInput request, built here as libxcb-xtest is not among the test's libraries.
    void fakeInput(uint8_t type, uint8_t detail, const QPoint &at)
    {
        static xcb_extension_t xtest = {"XTEST", 0};
        static const xcb_protocol_request_t fakeInputRequest = {2, &xtest, 2, 1};
        struct
        {
            uint8_t major, minor;
            uint16_t length;
            uint8_t type, detail, pad0[2];
            uint32_t time;
            xcb_window_t root;
            uint8_t pad1[8];
            int16_t rootX, rootY;
            uint8_t pad2[7], device;
        } request = {};
        request.type = type;
        request.detail = detail;
        request.root = m_root;
        request.rootX = int16_t(at.x());
        request.rootY = int16_t(at.y());
        iovec parts[4] = {};
        parts[2] = {&request, sizeof(request)};
        xcb_send_request(m_connection, 0, parts + 2, &fakeInputRequest);
        xcb_flush(m_connection);
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    QHash<xcb_window_t, QRect> m_place;
    QHash<xcb_window_t, QRect> m_mappedAt;
    QHash<xcb_window_t, QList<QRect>> m_movedTo;
};
