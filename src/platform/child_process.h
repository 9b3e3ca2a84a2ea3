// Running another program and waiting for it.
//
//     ChildProcessResult result = processes.run("/usr/bin/codesign", {"-dv", "--verbose=4", path},
//                                               StandardError::Piped);
//     if (!result.started) ... result.startError ...
//     else if (result.exitStatus != 0) ...
//
// run() blocks until the program ends. Standard input and output are always the caller's own; standard error
// is inherited or collected. Main thread only.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tessly {

enum class StandardError { Inherited, Piped };

struct ChildProcessResult {
    /// False when the program could not be started at all (missing, not executable).
    bool started = false;
    /// Why it could not be started.
    QString startError;
    /// The exit status; a program ended by a signal reports a non-zero status.
    int exitStatus = -1;
    /// Everything it wrote to standard error, when piped.
    QByteArray standardError;
};

class ChildProcessRunner {
public:
    virtual ~ChildProcessRunner() = default;
    [[nodiscard]] virtual ChildProcessResult run(const QString& program, const QStringList& arguments,
                                                 StandardError standardError) = 0;
};

} // namespace tessly
