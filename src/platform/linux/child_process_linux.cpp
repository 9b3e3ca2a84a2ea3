#include "platform/linux/child_process_linux.h"

#include <QProcess>

namespace tessly {

ChildProcessResult QtChildProcessRunner::run(const QString& program, const QStringList& arguments,
                                             StandardError standardError) {
    ChildProcessResult result;
    QProcess process;
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.setProcessChannelMode(standardError == StandardError::Inherited
                                      ? QProcess::ForwardedChannels
                                      : QProcess::ForwardedOutputChannel);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        result.startError = process.errorString();
        return result;
    }
    result.started = true;
    // Collects standard error while waiting, so a program that writes more than a pipe holds does not stall.
    process.waitForFinished(-1);
    if (standardError == StandardError::Piped) {
        result.standardError = process.readAllStandardError();
    }
    if (process.exitStatus() == QProcess::CrashExit) {
        // On a crash QProcess reports the signal's number as the exit code.
        result.exitStatus = 128 + process.exitCode();
        return result;
    }
    result.exitStatus = process.exitCode();
    return result;
}

} // namespace tessly
