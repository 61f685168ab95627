#include "platform/x11.h"

#ifdef ZORBUNY_X11

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

namespace {

// A window manager answers at once when idle, but one busy starting up or on a loaded machine
// has been seen to take over half a second; this bounds the delay should it never answer.
constexpr int kAnswerWaitMs = 5000;

// WM_SIZE_HINTS: 18 values, the flags first and the gravity last.
constexpr int kSizeHintsLength = 18;
constexpr quint32 kSizeHintsWinGravity = 1u << 9;

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPtr<Reply> owned(Reply *reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, false, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// A 32-bit property of up to `count` values; empty when it is not set.
QList<quint32> cardinals(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property,
                         xcb_atom_t type, uint32_t count)
{
    const auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, false, window, property, type, 0, count),
        nullptr));
    QList<quint32> values;
    if (!reply || reply->type != type || reply->format != 32)
        return values;
    const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i)
        values << data[i];
    return values;
}

// Qt's connection to the X server, when the game runs on X11.
xcb_connection_t *qtConnection()
{
    // Other platforms may answer for X11 too, offscreen does, without a connection to use.
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11)
        return nullptr;
    return x11->connection();
}

} // namespace

bool x11DisplayReachable()
{
    const char *display = std::getenv("DISPLAY");
    if (!display || !*display)
        return false;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reachable;
}

std::optional<QMargins> x11FrameExtents(QWidget *window)
{
    xcb_connection_t *connection = qtConnection();
    if (!connection)
        return std::nullopt;
    const auto id = xcb_window_t(window->winId());

    const auto geometry =
        owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr));
    if (!geometry)
        return std::nullopt;
    const xcb_window_t root = geometry->root;

    const xcb_atom_t request = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = atom(connection, "_NET_FRAME_EXTENTS");
    const xcb_atom_t supported = atom(connection, "_NET_SUPPORTED");
    // Without a window manager that knows the request, no answer would ever come.
    if (!cardinals(connection, root, supported, XCB_ATOM_ATOM, 4096).contains(request))
        return std::nullopt;

    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, false, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);

    // The answer is a property on the window; Qt's own event reader gets the notification, so
    // the property is read until it is there.
    QElapsedTimer waited;
    waited.start();
    do {
        const QList<quint32> frame = cardinals(connection, id, extents, XCB_ATOM_CARDINAL, 4);
        if (frame.size() == 4) // left, right, top, bottom
            return QMargins(int(frame[0]), int(frame[2]), int(frame[1]), int(frame[3]));
        QThread::msleep(2);
    } while (waited.elapsed() < kAnswerWaitMs);
    return std::nullopt;
}

bool x11ShowFrameCentred(QWidget *window, const std::function<void()> &show)
{
    xcb_connection_t *connection = qtConnection();
    if (!connection)
        return false;
    const auto id = xcb_window_t(window->winId());
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

    // Qt writes WM_NORMAL_HINTS once more as it maps the window, with the gravity it knows
    // (Static: the client stays, the frame grows around it), and a manager reads them as soon
    // as it hears of the window. So Qt maps it inside a hidden window of the game's own, where
    // no manager hears of it; only once the hints say Center does it go onto the root, which
    // maps it there and asks the manager to take it in. A server grab would not do: XWayland
    // ignores those of ordinary clients.
    const xcb_window_t holder = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, holder, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_reparent_window(connection, id, holder, 0, 0);
    show();
    // Qt gives the window its place as it shows it, in the holder's coordinates as the root's.
    const auto placed =
        owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr));
    QList<quint32> hints = cardinals(connection, id, XCB_ATOM_WM_NORMAL_HINTS,
                                     XCB_ATOM_WM_SIZE_HINTS, kSizeHintsLength);
    if (hints.size() == kSizeHintsLength) {
        hints[0] |= kSizeHintsWinGravity;
        hints[kSizeHintsLength - 1] = XCB_GRAVITY_CENTER;
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NORMAL_HINTS,
                            XCB_ATOM_WM_SIZE_HINTS, 32, kSizeHintsLength, hints.constData());
    }
    xcb_reparent_window(connection, id, root, placed ? placed->x : 0, placed ? placed->y : 0);
    xcb_destroy_window(connection, holder);
    xcb_flush(connection);
    return true;
}

} // namespace platform

#else

namespace platform {

bool x11DisplayReachable()
{
    return false;
}

std::optional<QMargins> x11FrameExtents(QWidget *)
{
    return std::nullopt;
}

bool x11ShowFrameCentred(QWidget *, const std::function<void()> &)
{
    return false;
}

} // namespace platform

#endif
