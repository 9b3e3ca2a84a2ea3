// Child processes through QProcess: started, waited for, standard input and output shared with this process.
//
//     QtChildProcessRunner processes;
//     ChildProcessResult result = processes.run(codesign, {"-dv", "--verbose=4", path},
//     StandardError::Piped);
//
// "Could not start" (no such program, not executable) is reported as not started, with QProcess's reason;
// a program that starts and fails reports its exit status, and one ended by a signal reports 128 plus the
// signal's number, as a shell does, so it is never 0.
//
// run() blocks the calling thread until the program ends; there is no time limit, as the callers' programs
// (the code-signing tool) end by themselves. Main thread only.
#pragma once

#include "platform/child_process.h"

namespace tessly {

class QtChildProcessRunner final : public ChildProcessRunner {
public:
    [[nodiscard]] ChildProcessResult run(const QString& program, const QStringList& arguments,
                                         StandardError standardError) override;
};

} // namespace tessly
