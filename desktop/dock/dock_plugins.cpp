#include "dock_plugins.h"

#include "dock_plugin_host_protocol.h"

#include <QSet>

namespace tessly::dock {

QString plugInStateText(PlugInState state) {
    switch (state) {
    case PlugInState::starting:
        return QStringLiteral("starting");
    case PlugInState::loaded:
        return QStringLiteral("loaded");
    case PlugInState::none:
        return QStringLiteral("none");
    case PlugInState::failed:
        break;
    }
    return QStringLiteral("failed");
}

DockPlugIns::DockPlugIns(QString hostProgram, QObject* parent)
    : QObject(parent), m_hostProgram(std::move(hostProgram)) {}

DockPlugIns::~DockPlugIns() {
    for (auto& [path, host] : m_hosts) {
        // The Dock ends, the tiles stay: the host hears its input close and ends without a "drop".
        host.process->disconnect(this);
        host.process->closeWriteChannel();
        if (!host.process->waitForFinished(1000)) {
            host.process->kill();
            host.process->waitForFinished(1000);
        }
    }
}

void DockPlugIns::setShownTiles(const QStringList& bundlePaths) {
    const QSet<QString> shown(bundlePaths.begin(), bundlePaths.end());
    QStringList gone;
    for (const auto& [path, host] : m_hosts) {
        if (!shown.contains(path)) {
            gone.append(path);
        }
    }
    for (const QString& path : gone) {
        drop(path);
    }
    for (const QString& path : bundlePaths) {
        if (m_hosts.find(path) == m_hosts.end()) {
            start(path);
        }
    }
}

PlugInState DockPlugIns::state(const QString& bundlePath) const {
    const auto found = m_hosts.find(bundlePath);
    return found == m_hosts.end() ? PlugInState::none : found->second.state;
}

void DockPlugIns::start(const QString& bundlePath) {
    Host& host = m_hosts[bundlePath];
    host.process = std::make_unique<QProcess>();
    QProcess* process = host.process.get();
    process->setProgram(m_hostProgram);
    process->setArguments({bundlePath});
    // The plug-in's complaints reach the Dock's own error output, where a person running it looks.
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(process, &QProcess::readyReadStandardOutput, this, [this, bundlePath, process] {
        const QByteArray output = process->readAllStandardOutput();
        const auto found = m_hosts.find(bundlePath);
        if (output.contains(kHostLoadedLine) && found != m_hosts.end() &&
            found->second.process.get() == process) {
            found->second.state = PlugInState::loaded;
            emit stateChanged(bundlePath);
        }
    });
    connect(process, &QProcess::finished, this,
            [this, bundlePath, process](int code, QProcess::ExitStatus status) {
                const auto found = m_hosts.find(bundlePath);
                if (found == m_hosts.end() || found->second.process.get() != process) {
                    return;
                }
                found->second.state = status == QProcess::NormalExit && code == kExitNoPlugIn
                                          ? PlugInState::none
                                      : status == QProcess::NormalExit && code == 0 ? found->second.state
                                                                                    : PlugInState::failed;
                emit stateChanged(bundlePath);
            });
    connect(process, &QProcess::errorOccurred, this,
            [this, bundlePath, process](QProcess::ProcessError error) {
                const auto found = m_hosts.find(bundlePath);
                if (error == QProcess::FailedToStart && found != m_hosts.end() &&
                    found->second.process.get() == process) {
                    found->second.state = PlugInState::failed;
                    emit stateChanged(bundlePath);
                }
            });
    process->start();
    process->write(QByteArray(kHostHoldCommand) + '\n');
}

void DockPlugIns::drop(const QString& bundlePath) {
    const auto found = m_hosts.find(bundlePath);
    if (found == m_hosts.end()) {
        return;
    }
    std::unique_ptr<QProcess> process = std::move(found->second.process);
    m_hosts.erase(found);
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->write(QByteArray(kHostDropCommand) + '\n');
        process->closeWriteChannel();
    }
    // The host ends on its own once the plug-in heard "drop"; the process object goes when it has.
    QProcess* released = process.release();
    connect(released, &QProcess::finished, released, &QObject::deleteLater);
    if (released->state() == QProcess::NotRunning) {
        released->deleteLater();
    }
}

} // namespace tessly::dock
