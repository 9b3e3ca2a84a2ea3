// SIGTERM and SIGINT end the event loop cleanly, as a normal quit of the application.
//
//     QCoreApplication app(argc, argv);
//     QuitSignals quitSignals;   // before app.exec()
//
// The signal handler only writes a byte to a pipe; the main thread reads it and calls
// QCoreApplication::quit(). One instance per process; main thread only.
#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace tessly {

class QuitSignals final : public QObject {
public:
    QuitSignals();
    ~QuitSignals() override;

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

/// A write to a pipe nobody reads any more fails instead of ending the process. Helpers keep the standard
/// output of whatever started their main application (a terminal, a test, a dock) and outlive it; Qt itself
/// writes to it while it starts. Call first thing in main.
void ignoreClosedOutput();

} // namespace tessly
