// The global mouse-down monitor: which X events it takes for a press, and, on a virtual X server of the
// test's own with presses made through XTEST, that left and right presses reach every installed monitor, a
// removed one hears nothing more, and a monitor installed after all were removed hears presses again.
#include "platform/linux/pointer_linux.h"
#include "support/run_events.h"
#include "support/virtual_server.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <xcb/xinput.h>

#include <gtest/gtest.h>

#include <cstring>

namespace tessly {
namespace {

using testing::runEventsUntil;

constexpr std::uint8_t kOpcode = 131;

xcb_generic_event_t rawEvent(std::uint8_t extension, std::uint16_t type, std::uint32_t button) {
    xcb_input_raw_button_press_event_t raw{};
    raw.response_type = XCB_GE_GENERIC;
    raw.extension = extension;
    raw.event_type = type;
    raw.detail = button;
    xcb_generic_event_t event{};
    static_assert(sizeof event <= sizeof raw);
    std::memcpy(&event, &raw, sizeof event);
    return event;
}

TEST(GlobalMouseDownEventTest, OnlyRawPressesOfTheLeftAndRightButtonsCount) {
    EXPECT_TRUE(isMonitoredMouseDown(rawEvent(kOpcode, XCB_INPUT_RAW_BUTTON_PRESS, 1), kOpcode));
    EXPECT_TRUE(isMonitoredMouseDown(rawEvent(kOpcode, XCB_INPUT_RAW_BUTTON_PRESS, 3), kOpcode));
    for (const std::uint32_t other : {2u, 4u, 5u, 8u}) {
        EXPECT_FALSE(isMonitoredMouseDown(rawEvent(kOpcode, XCB_INPUT_RAW_BUTTON_PRESS, other), kOpcode))
            << "button " << other << ": the middle one, the wheel, a side button";
    }
    EXPECT_FALSE(isMonitoredMouseDown(rawEvent(kOpcode, XCB_INPUT_RAW_BUTTON_RELEASE, 1), kOpcode));
    EXPECT_FALSE(isMonitoredMouseDown(rawEvent(kOpcode + 1, XCB_INPUT_RAW_BUTTON_PRESS, 1), kOpcode))
        << "another extension's event of the same number";
    xcb_generic_event_t sentByAnotherClient = rawEvent(kOpcode, XCB_INPUT_RAW_BUTTON_PRESS, 1);
    sentByAnotherClient.response_type |= 0x80;
    EXPECT_TRUE(isMonitoredMouseDown(sentByAnotherClient, kOpcode)) << "the sent-event bit is not the type";
    xcb_generic_event_t core{};
    core.response_type = XCB_BUTTON_PRESS;
    EXPECT_FALSE(isMonitoredMouseDown(core, kOpcode));
}

class PointerOnXvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        m_xdotool = QStandardPaths::findExecutable("xdotool");
        if (xvfb.isEmpty() || m_xdotool.isEmpty()) {
            GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/install-deps installs both)";
        }
        // The server picks a free display and writes its number once it accepts connections.
        m_server.start(xvfb, testing::virtualServerArguments(QStringLiteral("800x600")));
        const QByteArray number = readLine(m_server);
        ASSERT_FALSE(number.isEmpty())
            << "Xvfb did not start: " << m_server.readAllStandardError().toStdString();
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert("DISPLAY", ":" + QString::fromLatin1(number));
        m_environment.insert("QT_QPA_PLATFORM", "xcb");
        m_tool.setProcessEnvironment(m_environment);
        m_tool.start(TESSLY_POINTER_TOOL, {});
        ASSERT_EQ(readLine(m_tool), "ready") << m_tool.readAllStandardError().toStdString();
    }
    void TearDown() override {
        m_tool.closeWriteChannel();
        if (!m_tool.waitForFinished(5000)) {
            m_tool.kill();
            m_tool.waitForFinished();
        }
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished();
        }
    }

    static QByteArray readLine(QProcess& process) {
        if (!runEventsUntil(
                [&] { return process.canReadLine() || process.state() == QProcess::NotRunning; })) {
            return {};
        }
        return process.readLine().trimmed();
    }
    QByteArray command(const QByteArray& line) {
        m_tool.write(line + "\n");
        return readLine(m_tool);
    }
    void click(int button) {
        QProcess xdotool;
        xdotool.setProcessEnvironment(m_environment);
        xdotool.start(m_xdotool, {"click", QString::number(button)});
        ASSERT_TRUE(runEventsUntil([&] { return xdotool.state() == QProcess::NotRunning; }));
        ASSERT_EQ(xdotool.exitCode(), 0) << xdotool.readAllStandardError().toStdString();
    }

    QProcess m_server;
    QProcess m_tool;
    QProcessEnvironment m_environment;
    QString m_xdotool;
};

TEST_F(PointerOnXvfbTest, LeftAndRightPressesReachEveryMonitorUntilItIsRemoved) {
    ASSERT_EQ(command("add"), "added 1");
    ASSERT_EQ(command("add"), "added 2");
    click(1);
    EXPECT_EQ(readLine(m_tool), "press 1");
    EXPECT_EQ(readLine(m_tool), "press 2");

    ASSERT_EQ(command("remove 1"), "removed");
    click(3);
    EXPECT_EQ(readLine(m_tool), "press 2") << "monitor 1 was removed, and would have come first";

    // With none left the selection goes; a new monitor selects again.
    ASSERT_EQ(command("remove 2"), "removed");
    click(1);
    ASSERT_EQ(command("add"), "added 3");
    click(3);
    EXPECT_EQ(readLine(m_tool), "press 3");
}

} // namespace
} // namespace tessly
