// The other process of the notification benchmark. On every "TSBenchPing" it posts "TSBenchPong" with the
// ping's "seq" and "receivedAt", the monotonic clock (nanoseconds) when the ping reached it; the clock is
// the same for every process of the machine, so the benchmark can tell the one-way delay. Prints "ready"
// once it listens; ends on "TSBenchQuit" or when its standard input closes.
#include "platform/linux/dbus_notification_center_linux.h"
#include "platform/linux/system_linux.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tessly::StdoutConsole console;
    tessly::DBusDistributedNotificationCenter center(console);
    if (!center.isConnected()) {
        return 3;
    }
    center.addObserver("TSBenchPing", [&](const tessly::DistributedNotification& ping) {
        const std::int64_t receivedAt = monotonicNanoseconds();
        const tessly::PlistValue* seq = ping.userInfo.find("seq");
        center.post("TSBenchPong", std::nullopt,
                    tessly::PlistDictionary{{"seq", seq ? *seq : tessly::PlistValue(-1)},
                                            {"receivedAt", tessly::PlistValue(receivedAt)}});
    });
    center.addObserver("TSBenchQuit",
                       [](const tessly::DistributedNotification&) { QCoreApplication::quit(); });
    // The benchmark may end without saying so; a closed standard input ends the echo with it.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            QCoreApplication::quit();
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
