#include "platform/linux/compositor_linux.h"

#include <QGuiApplication>
#include <QWidget>

#include <cstdlib>
#include <vector>
#include <xcb/xcb.h>

namespace tessly {

namespace {

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData()),
        nullptr);
    if (!reply) {
        return XCB_ATOM_NONE;
    }
    const xcb_atom_t result = reply->atom;
    std::free(reply);
    return result;
}

} // namespace

bool compositorIsRunning() {
    xcb_connection_t* connection = x11Connection();
    if (!connection) {
        return false;
    }
    // The default screen of the display Qt connected to; the program uses one X screen.
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype dot = display.lastIndexOf('.');
    const int screen = dot > display.lastIndexOf(':') ? display.mid(dot + 1).toInt() : 0;
    const xcb_atom_t selection = atom(connection, "_NET_WM_CM_S" + QByteArray::number(screen));
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    if (!reply) {
        return false;
    }
    const bool owned = reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

void requestBlurBehind(QWidget& window, const QRegion& region) {
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window.isWindow()) {
        return;
    }
    const xcb_atom_t property = atom(connection, "_KDE_NET_WM_BLUR_BEHIND_REGION");
    if (property == XCB_ATOM_NONE) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window.winId());
    if (region.isEmpty()) {
        xcb_delete_property(connection, id, property);
        xcb_flush(connection);
        return;
    }
    // x, y, width, height per rectangle, in the window's device pixels.
    const double ratio = window.devicePixelRatioF();
    std::vector<uint32_t> values;
    for (const QRect& rect : region) {
        values.push_back(static_cast<uint32_t>(rect.x() * ratio));
        values.push_back(static_cast<uint32_t>(rect.y() * ratio));
        values.push_back(static_cast<uint32_t>(rect.width() * ratio));
        values.push_back(static_cast<uint32_t>(rect.height() * ratio));
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, property, XCB_ATOM_CARDINAL, 32,
                        static_cast<uint32_t>(values.size()), values.data());
    xcb_flush(connection);
}

} // namespace tessly
