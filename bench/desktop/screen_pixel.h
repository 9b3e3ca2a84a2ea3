// One pixel, or a small rectangle, of a virtual desktop's screen, read back from its X server: how the
// desktop benchmarks see that something has been painted on screen, whatever process painted it.
//
//     const ScreenPixel screen(desktop.environment().value("DISPLAY"));
//     const std::uint32_t before = screen.at(x, y);
//     ...; while (screen.at(x, y) == before) {}
//     const QByteArray icon = screen.area(x, y, 48, 48);   // compared as a whole
//
// One X connection of its own; main thread only.
#pragma once

#include <QByteArray>
#include <QString>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tessly::bench {

class ScreenPixel {
public:
    explicit ScreenPixel(const QString& display)
        : m_connection(xcb_connect(display.toLatin1().constData(), nullptr)) {
        if (xcb_connection_has_error(m_connection) == 0) {
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        }
    }
    ~ScreenPixel() { xcb_disconnect(m_connection); }
    ScreenPixel(const ScreenPixel&) = delete;
    ScreenPixel& operator=(const ScreenPixel&) = delete;

    [[nodiscard]] std::uint32_t at(int x, int y) const {
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
            xcb_get_image_reply(m_connection,
                                xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root,
                                              static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 1,
                                              1, ~0U),
                                nullptr),
            &std::free);
        if (!reply || xcb_get_image_data_length(reply.get()) < 4) {
            return 0;
        }
        std::uint32_t pixel = 0;
        std::memcpy(&pixel, xcb_get_image_data(reply.get()), 4);
        return pixel & 0xFFFFFF;
    }
    /// The raw pixels of the rectangle, row by row; empty when it cannot be read.
    [[nodiscard]] QByteArray area(int x, int y, int width, int height) const {
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
            xcb_get_image_reply(m_connection,
                                xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root,
                                              static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                                              static_cast<std::uint16_t>(width),
                                              static_cast<std::uint16_t>(height), ~0U),
                                nullptr),
            &std::free);
        if (!reply) {
            return {};
        }
        return {reinterpret_cast<const char*>(xcb_get_image_data(reply.get())),
                xcb_get_image_data_length(reply.get())};
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
};

} // namespace tessly::bench
