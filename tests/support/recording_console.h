// Console and system log that keep their lines for the test to read.
#pragma once

#include "platform/console.h"

#include <QStringList>

namespace tessly::testing {

class RecordingConsole final : public Console, public SystemLog {
public:
    void printLine(const QString& line) override { lines.append(line); }
    void log(const QString& line) override { logLines.append(line); }

    /// How many printed lines start with `prefix`.
    [[nodiscard]] qsizetype countStartingWith(const QString& prefix) const {
        qsizetype n = 0;
        for (const auto& line : lines) {
            n += line.startsWith(prefix) ? 1 : 0;
        }
        return n;
    }

    QStringList lines;
    QStringList logLines;
};

} // namespace tessly::testing
