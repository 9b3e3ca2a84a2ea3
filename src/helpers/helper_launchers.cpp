// Folders in a dock of launchers: each is a desktop entry of Tessly's pointing at the folder's helper bundle,
// with the folder's tile drawn as its icon, kept in the dock's own list.
#include "helpers/helper_manager.h"

#include "helpers/launcher_entries.h"
#include "model/uuid_text.h"

#include <QFileInfo>

namespace tessly {

void HelperManager::setLauncherSupport(LauncherSupport support) {
    const QString bundleIdentifier = m_env.mainBundle.bundleIdentifier().value_or(QString());
    m_launchers = std::make_unique<LauncherEntries>(support.entriesDirectory, bundleIdentifier);
    m_launcherSupport = std::move(support);
}

LauncherDock* HelperManager::launcherDock() const {
    if (!m_launcherSupport || !m_launcherSupport->docks) {
        return nullptr;
    }
    return m_launcherSupport->docks->launcherDock();
}

std::optional<QString> HelperManager::launcherEntryPath(const QUuid& folderId) const {
    if (!m_launchers) {
        return std::nullopt;
    }
    return m_launchers->entryPath(folderId);
}

QSet<QString> HelperManager::keptLauncherEntries() const {
    QSet<QString> kept;
    if (LauncherDock* dock = launcherDock()) {
        for (const QString& entry : dock->keptLaunchers().value_or(QStringList())) {
            kept.insert(entry);
        }
    }
    return kept;
}

void HelperManager::putInLauncherDock(const AppFolder& folder, const QString& helperPath,
                                      const QSet<QString>* keptEntries) {
    LauncherDock* dock = launcherDock();
    if (!dock || !m_launchers) {
        return;
    }
    const QByteArray icon =
        m_launcherSupport->renderIcon ? m_launcherSupport->renderIcon(folder) : QByteArray();
    const QString executableName =
        QFileInfo(m_env.mainBundle.executablePath().value_or(QStringLiteral("Tessly"))).fileName();
    const QString executable = helperPath + QStringLiteral("/Contents/MacOS/") + executableName;
    if (const std::optional<QString> error = m_launchers->write(folder, helperPath, executable, icon)) {
        logFailure(QStringLiteral("Tessly: Failed to write the folder's launcher: ") + *error);
        m_failedToStart.insert(folder.id);
        return;
    }
    const QString entry = m_launchers->entryPath(folder.id);
    // A dock asked to keep what it keeps already may answer "no" and be asked for its whole list again.
    if (keptEntries && keptEntries->contains(entry)) {
        m_failedToStart.remove(folder.id);
        return;
    }
    if (!dock->keep(entry)) {
        // Put together, not substituted: the dock's name is another program's text.
        logFailure(dock->name() + QStringLiteral(" did not keep the launcher ") + entry);
        m_failedToStart.insert(folder.id);
        return;
    }
    m_failedToStart.remove(folder.id);
}

void HelperManager::removeLauncher(const QUuid& folderId) {
    if (!m_launchers) {
        return;
    }
    if (LauncherDock* dock = launcherDock()) {
        (void)dock->remove(m_launchers->entryPath(folderId));
    }
    m_launchers->remove(folderId);
}

void HelperManager::refreshLaunchers(const QList<AppFolder>& folders) {
    if (!launcherDock()) {
        return;
    }
    const QSet<QString> kept = keptLauncherEntries();
    const QHash<QString, QString> helperOf = helperOfEachFolder();
    for (const AppFolder& folder : folders) {
        if (!folder.isInDock) {
            continue;
        }
        if (const auto helper = helperOf.constFind(uuidText(folder.id)); helper != helperOf.constEnd()) {
            putInLauncherDock(folder, *helper, &kept);
        }
    }
}

void HelperManager::removeLaunchersOtherThan(const QSet<QString>& keptFolders) {
    if (!m_launchers) {
        return;
    }
    for (const QUuid& id : m_launchers->folderIdsWithEntries()) {
        if (!keptFolders.contains(uuidText(id))) {
            removeLauncher(id);
        }
    }
}

} // namespace tessly
