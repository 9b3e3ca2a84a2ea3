#include "platform/linux/pointer_linux.h"

#include "platform/linux/screens_linux.h"

#include <QCursor>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/xinput.h>

#include <cstdlib>
#include <vector>

namespace tessly {

namespace {

constexpr std::uint8_t kLeftButton = 1;
constexpr std::uint8_t kRightButton = 3;

/// The mask record of xcb_input_xi_select_events: a header and one word of event bits.
struct RawPressMask {
    xcb_input_event_mask_t header;
    std::uint32_t mask;
};

} // namespace

bool isMonitoredMouseDown(const xcb_generic_event_t& event, std::uint8_t inputOpcode) {
    if ((event.response_type & 0x7f) != XCB_GE_GENERIC) {
        return false;
    }
    const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
    if (generic.extension != inputOpcode || generic.event_type != XCB_INPUT_RAW_BUTTON_PRESS) {
        return false;
    }
    const auto& press = reinterpret_cast<const xcb_input_raw_button_press_event_t&>(event);
    return press.detail == kLeftButton || press.detail == kRightButton;
}

// The monitor's own X connection: raw presses selected on the root windows, read as they arrive.
class LinuxPointer::Connection {
public:
    /// Nothing when the display cannot be reached or has no XInput 2.
    static std::unique_ptr<Connection> open(std::function<void()> onPress) {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            return nullptr;
        }
        auto result = std::unique_ptr<Connection>(new Connection(connection, std::move(onPress)));
        return result->hasInput2() ? std::move(result) : nullptr;
    }

    ~Connection() { xcb_disconnect(m_connection); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    [[nodiscard]] bool isBroken() const { return xcb_connection_has_error(m_connection) != 0; }

    /// Selects raw presses on every root window, or takes the selection away; false when the server refused.
    bool select(bool on) {
        m_selected = on;
        bool accepted = true;
        RawPressMask mask{};
        mask.header.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
        mask.header.mask_len = 1;
        mask.mask = on ? XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS : 0;
        for (auto roots = xcb_setup_roots_iterator(xcb_get_setup(m_connection)); roots.rem != 0;
             xcb_screen_next(&roots)) {
            const xcb_void_cookie_t cookie =
                xcb_input_xi_select_events_checked(m_connection, roots.data->root, 1, &mask.header);
            if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
                std::free(error);
                accepted = false;
            }
        }
        // Waiting for the answers may have read events into the connection's queue, where the notifier does
        // not see them: they are handled once control is back in the event loop, never inside this call.
        QMetaObject::invokeMethod(
            m_notifier.get(), [this] { readEvents(); }, Qt::QueuedConnection);
        return accepted && !isBroken();
    }

private:
    Connection(xcb_connection_t* connection, std::function<void()> onPress)
        : m_connection(connection), m_onPress(std::move(onPress)),
          m_notifier(
              std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection), QSocketNotifier::Read)) {
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { readEvents(); });
    }

    bool hasInput2() {
        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_connection, &xcb_input_id);
        if (!extension || !extension->present) {
            return false;
        }
        m_inputOpcode = extension->major_opcode;
        // 2.2 announced: since 2.1 raw events reach a root-window selection even while another client holds
        // a grab (a menu open in another application, a drag).
        xcb_input_xi_query_version_reply_t* version = xcb_input_xi_query_version_reply(
            m_connection, xcb_input_xi_query_version(m_connection, 2, 2), nullptr);
        const bool supported = version && version->major_version >= 2;
        std::free(version);
        return supported;
    }

    void readEvents() {
        // xcb_poll_for_event takes the queued events first, then whatever the socket has: all of them, as the
        // notifier fires once for data that may hold many events.
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const bool press = m_selected && isMonitoredMouseDown(*event, m_inputOpcode);
            std::free(event);
            if (press) {
                m_onPress();
            }
        }
        if (isBroken()) {
            // The server went away: a broken connection's descriptor stays readable for ever.
            m_notifier->setEnabled(false);
        }
    }

    xcb_connection_t* m_connection;
    std::function<void()> m_onPress;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::uint8_t m_inputOpcode = 0;
    bool m_selected = false;
};

LinuxPointer::LinuxPointer() = default;
LinuxPointer::~LinuxPointer() = default;

QPointF LinuxPointer::mouseLocation() const {
    return toYUp(QPointF(QCursor::pos()));
}

std::optional<MouseMonitorToken> LinuxPointer::addGlobalMouseDownMonitor(std::function<void()> handler) {
    if (!handler || m_unavailable) {
        return std::nullopt;
    }
    if (!m_connection) {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            m_unavailable = true;
            return std::nullopt;
        }
        m_connection = Connection::open([this] { deliverPress(); });
        if (!m_connection) {
            m_unavailable = true;
            return std::nullopt;
        }
    }
    if (m_connection->isBroken()) {
        return std::nullopt;
    }
    if (m_handlers.empty() && !m_connection->select(true)) {
        return std::nullopt;
    }
    const MouseMonitorToken token = m_nextToken++;
    m_handlers.emplace(token, std::move(handler));
    return token;
}

void LinuxPointer::removeMonitor(MouseMonitorToken token) {
    if (m_handlers.erase(token) == 0 || !m_handlers.empty() || !m_connection) {
        return;
    }
    m_connection->select(false);
}

void LinuxPointer::deliverPress() {
    // A handler may add or remove monitors, its own included: each one still installed is called once.
    std::vector<MouseMonitorToken> tokens;
    tokens.reserve(m_handlers.size());
    for (const auto& entry : m_handlers) {
        tokens.push_back(entry.first);
    }
    for (const MouseMonitorToken token : tokens) {
        const auto found = m_handlers.find(token);
        if (found == m_handlers.end()) {
            continue;
        }
        // A copy: the handler may remove itself while it runs.
        const std::function<void()> handler = found->second;
        handler();
    }
}

} // namespace tessly
