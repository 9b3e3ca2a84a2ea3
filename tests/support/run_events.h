// Running the real Qt event loop in tests of real adapters and processes, until something happens.
#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace tessly::testing {

/// Runs the event loop until `done` holds or `timeoutMs` passed; returns whether it holds. The limit only
/// keeps a broken test from hanging.
inline bool runEventsUntil(const std::function<bool()>& done, int timeoutMs = 15'000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

/// Lets queued work run for a moment: for checking that something did not happen.
inline void runEventsFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace tessly::testing
