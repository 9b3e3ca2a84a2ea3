// Shared pieces of the adapter integration tests: running the event loop until something happened, and the
// tool program that plays another process.
#pragma once

#include "platform/property_list.h"
#include "support/run_events.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

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
