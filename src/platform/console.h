// One-line messages of the program: the console (standard output) and the system log.
//
//     console.printLine("[FolderStore] Failed to save folders: " + error);
//     systemLog.log("Tessly: Successfully launched helper: " + path);
//
// Each call writes one whole line at once. Main thread only.
#pragma once

#include <QString>

namespace tessly {

class Console {
public:
    virtual ~Console() = default;
    /// Writes `line` and a line end to standard output, flushed at once.
    virtual void printLine(const QString& line) = 0;
};

class SystemLog {
public:
    virtual ~SystemLog() = default;
    /// Writes `line` verbatim to the system log.
    virtual void log(const QString& line) = 0;
};

} // namespace tessly
