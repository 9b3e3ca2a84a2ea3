// Shared pieces of the adapter integration tests: running the event loop until something happened, and the
// tool program that plays another process.
#pragma once

#include "platform/property_list.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

#include <functional>
#include <ostream>

namespace tessly {

// Failure messages show property-list values as XML rather than as bytes.
inline void PrintTo(const PlistValue& value, std::ostream* out) {
    *out << writePropertyList(value, PlistFormat::Xml).toStdString();
}
inline void PrintTo(const PlistDictionary& value, std::ostream* out) {
    PrintTo(PlistValue(value), out);
}

} // namespace tessly

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

/// Starts the adapter tool with `arguments`; its standard output and error are kept apart.
inline void startTool(QProcess& process, const QStringList& arguments,
                      const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TESSLY_ADAPTER_TOOL), arguments);
}

/// The next line the process writes to standard output, waiting for it while the event loop runs.
inline QByteArray readToolLine(QProcess& process, int timeoutMs = 15'000) {
    if (!runEventsUntil([&] { return process.canReadLine() || process.state() == QProcess::NotRunning; },
                        timeoutMs)) {
        return {};
    }
    return process.readLine().trimmed();
}

} // namespace tessly::testing
