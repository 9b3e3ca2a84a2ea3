#include "model/folder_store.h"

#include "model/folder_json.h"
#include "model/notification_names.h"
#include "platform/atomic_file.h"
#include "platform/bounded_file.h"
#include "platform/file_aside.h"
#include "platform/guarded.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>

namespace tessly {

namespace {

// A retired helper shows its off badge this long before it goes.
constexpr double kHelperOffDelaySeconds = 2.0;
// Several requests in quick succession (page shown, Dock changed) collapse into one reconcile.
constexpr double kDockReconcileDebounceSeconds = 0.2;

} // namespace

FolderStore::FolderStore(const Paths& paths, HelperActions& helpers, NotificationCenter& notifications,
                         MainQueue& queue, const Clock& clock, Console& console, QObject* parent)
    : QObject(parent), m_paths(paths), m_helpers(helpers), m_notifications(notifications), m_queue(queue),
      m_clock(clock), m_console(console), m_saveURL(paths.folderFile()) {
    QDir().mkpath(QFileInfo(m_saveURL).absolutePath());
}

FolderStore::~FolderStore() = default;

void FolderStore::load() {
    const BoundedFileRead file = readBoundedFile(m_saveURL, kFolderFileLimit);
    if (file.status == BoundedFileRead::Status::Missing) {
        // No file (or a link to nothing): the list is empty and the first save creates the file.
        m_fileFailedToLoad = false;
        m_listIsTheFiles = true;
        return;
    }
    const QString failure = QStringLiteral("[FolderStore] Failed to load folders: ");
    if (file.status == BoundedFileRead::Status::Unreadable) {
        m_fileFailedToLoad = true;
        m_console.printLine(failure + file.error);
        return;
    }
    const QByteArray& bytes = file.bytes;
    if (!m_syncedBytes.isEmpty() && bytes == m_syncedBytes) {
        // Helpers reload on every appearance change; most of the time the file is the one read last.
        m_fileFailedToLoad = false;
        m_listIsTheFiles = true;
        emit changed(Field::folders);
        return;
    }
    FolderListDecoding decoded = decodeFolderList(bytes, m_clock.now());
    if (!decoded.folders) {
        m_fileFailedToLoad = true;
        m_console.printLine(failure + decoded.error);
        return;
    }
    m_fileFailedToLoad = false;
    m_listIsTheFiles = true;
    assignFolders(std::move(*decoded.folders), &bytes);
}

void FolderStore::save() {
    writeFile(encodeFolderList(m_folders));
}

void FolderStore::writeFile(const QByteArray& bytes) {
    const QString failure = QStringLiteral("[FolderStore] Failed to save folders: ");
    if (m_fileFailedToLoad && !setAsideUnreadableFile()) {
        m_syncedBytes.clear();
        return;
    }
    QDir().mkpath(QFileInfo(m_saveURL).absolutePath());
    // Written to a temporary file that then replaces the old one: a reader in another process sees the old
    // list or the new one, never a part, and a full disk leaves the old list in place. A folder file the user
    // keeps elsewhere and links into place stays where it is.
    if (const auto error = writeFileAtomically(m_saveURL, bytes, LinkAtDestination::writeThrough)) {
        m_console.printLine(failure + *error);
        m_syncedBytes.clear();
        return;
    }
    m_syncedBytes = bytes;
    m_listIsTheFiles = true;
    removeStaleTemporaryFiles();
}

bool FolderStore::setAsideUnreadableFile() {
    QFileInfo file(m_saveURL);
    if (!file.exists() && !file.isSymLink()) {
        m_fileFailedToLoad = false;
        return true;
    }
    QString error;
    const auto aside = moveFileAside(m_saveURL, QStringLiteral("unreadable"), m_clock.now(), &error);
    if (!aside) {
        m_console.printLine(
            QStringLiteral("[FolderStore] Failed to save folders: the unreadable folder file could "
                           "not be moved aside (%1), so it was left as it is: %2")
                .arg(error, m_saveURL));
        return false;
    }
    m_fileFailedToLoad = false;
    m_console.printLine(QStringLiteral("[FolderStore] The folder file could not be read; it was kept as ") +
                        *aside);
    return true;
}

namespace {

// The temporary copies of a save are "folders.json." and six random letters and digits of both cases. A name
// of one case only, or a capitalised word ("folders.json.backup", "folders.json.Backup"), is more likely one
// the user gave a copy of their own, and is left alone.
bool isTemporaryCopyName(const QString& name, const QString& fileName) {
    if (name.size() != fileName.size() + 7 || !name.startsWith(fileName + QLatin1Char('.'))) {
        return false;
    }
    const QStringView suffix = QStringView(name).sliced(fileName.size() + 1);
    bool upper = false;
    bool lower = false;
    for (const QChar c : suffix) {
        if (c.unicode() >= 0x80 || !c.isLetterOrNumber()) {
            return false;
        }
        upper = upper || c.isUpper();
        lower = lower || c.isLower();
    }
    const bool capitalisedWord = suffix.front().isUpper() && std::all_of(suffix.begin() + 1, suffix.end(),
                                                                         [](QChar c) { return c.isLower(); });
    return upper && lower && !capitalisedWord;
}

} // namespace

void FolderStore::removeStaleTemporaryFiles() const {
    // A save writes a temporary copy and renames it over the file; a process stopped in between leaves the
    // copy behind. Only copies old enough that no save can still be writing them are removed.
    constexpr qint64 kStaleAfterSeconds = 10 * 60;
    const QFileInfo saveFile(m_saveURL);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QFileInfoList entries = saveFile.dir().entryInfoList(
        {saveFile.fileName() + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() || !isTemporaryCopyName(entry.fileName(), saveFile.fileName()) ||
            entry.lastModified().secsTo(now) < kStaleAfterSeconds) {
            continue;
        }
        QFile::remove(entry.absoluteFilePath());
    }
}

void FolderStore::setFoldersForTesting(const QList<AppFolder>& folders) {
    assignFolders(folders);
}

void FolderStore::assignFolders(QList<AppFolder> folders, const QByteArray* bytesOnDisk) {
    m_folders = std::move(folders);
    emit changed(Field::folders);
    const QByteArray bytes = encodeFolderList(m_folders);
    // A file that already holds the program's own form of this list is left alone: helpers load the file on
    // every appearance change, and rewriting identical bytes could put back a list older than the main
    // application's latest save.
    if (bytesOnDisk && *bytesOnDisk == bytes) {
        m_syncedBytes = bytes;
        m_listIsTheFiles = true;
        return;
    }
    writeFile(bytes);
}

std::optional<AppFolder> FolderStore::folder(const QUuid& id) const {
    const qsizetype index = indexOf(id);
    if (index < 0) {
        return std::nullopt;
    }
    return m_folders.at(index);
}

qsizetype FolderStore::indexOf(const QUuid& id) const {
    for (qsizetype i = 0; i < m_folders.size(); ++i) {
        if (m_folders.at(i).id == id) {
            return i;
        }
    }
    return -1;
}

void FolderStore::noteLaunchAndInstall(const AppFolder& folder) {
    if (m_launchRecorder) {
        m_launchRecorder->noteHelperLaunch(folder.id, m_clock.now());
    }
    m_helpers.installHelper(folder);
}

void FolderStore::addFolder(const AppFolder& folder) {
    QList<AppFolder> folders = m_folders;
    folders.push_back(folder);
    assignFolders(std::move(folders));
    setNewlyAddedFolderID(folder.id);
    if (folder.isInDock) {
        noteLaunchAndInstall(folder);
    }
}

void FolderStore::updateFolder(const AppFolder& folder) {
    const qsizetype index = indexOf(folder.id);
    if (index < 0) {
        return;
    }
    const AppFolder old = m_folders.at(index);
    QList<AppFolder> folders = m_folders;
    folders[index] = folder;
    assignFolders(std::move(folders));

    if (old.tileStyle != folder.tileStyle) {
        m_notifications.post(notification_names::kTileAppearanceChanged, QVariant::fromValue(folder.id));
    }
    if (old.isInDock != folder.isInDock) {
        if (folder.isInDock) {
            m_helpers.cancelHelperOff(folder);
            noteLaunchAndInstall(folder);
        } else {
            m_helpers.scheduleHelperOff(folder, kHelperOffDelaySeconds);
        }
        return;
    }
    // The helper bundle carries the folder's name, glyph and applications; a style change alone is redrawn
    // by the running helper and never rebuilds it.
    if (folder.isInDock &&
        (old.apps != folder.apps || old.name != folder.name || old.emoji != folder.emoji)) {
        m_helpers.removeHelper(folder.id, false);
        noteLaunchAndInstall(folder);
    }
}

void FolderStore::deleteFolder(const QUuid& id, double delaySeconds) {
    const qsizetype index = indexOf(id);
    if (index < 0) {
        return;
    }
    const AppFolder removed = m_folders.at(index);
    // At once, whatever the delay: a launcher dock would otherwise offer the folder until the helper goes.
    m_helpers.removeLauncher(removed.id);
    if (delaySeconds > 0) {
        // The helper shows its delete badge meanwhile; the store may be gone by then.
        m_queue.asyncAfter(delaySeconds, guarded(this, [this, folderId = removed.id] {
                               m_helpers.removeHelper(folderId, false);
                           }));
    } else {
        m_helpers.removeHelper(removed.id, false);
    }
    QList<AppFolder> folders = m_folders;
    folders.removeAt(index);
    assignFolders(std::move(folders));
}

void FolderStore::setInDock(const QUuid& id, bool value) {
    const qsizetype index = indexOf(id);
    if (index < 0 || m_folders.at(index).isInDock == value) {
        return;
    }
    QList<AppFolder> folders = m_folders;
    folders[index].isInDock = value;
    assignFolders(std::move(folders));
}

void FolderStore::scheduleDockReconcile() {
    m_pendingDockReconcile.start(kDockReconcileDebounceSeconds, [this] { syncHelpers(); });
    emit changed(Field::pendingDockReconcileWorkItem);
}

void FolderStore::syncHelpers() {
    if (!m_listIsTheFiles) {
        // An unreadable file, or none read yet: the list says nothing about which folders are gone, and
        // synchronising against it would delete the helper of every folder the user has.
        m_console.printLine(QStringLiteral(
            "[FolderStore] The helpers were left as they are: the folder file has not been read"));
        return;
    }
    m_helpers.syncHelpers(m_folders);
}

void FolderStore::setDidStartDockStateMonitoring(bool value) {
    if (m_didStartDockStateMonitoring == value) {
        return;
    }
    m_didStartDockStateMonitoring = value;
    emit changed(Field::didStartDockStateMonitoring);
}

void FolderStore::setFolderPendingDelete(std::optional<AppFolder> folder) {
    m_folderPendingDelete = std::move(folder);
    emit changed(Field::folderPendingDelete);
}

void FolderStore::setShowingEmptyFolderAlert(bool value) {
    if (m_showingEmptyFolderAlert == value) {
        return;
    }
    m_showingEmptyFolderAlert = value;
    emit changed(Field::showingEmptyFolderAlert);
}

void FolderStore::setShowingFolderEditor(bool value) {
    if (m_showingFolderEditor == value) {
        return;
    }
    m_showingFolderEditor = value;
    emit changed(Field::showingFolderEditor);
}

void FolderStore::setFolderToEdit(std::optional<AppFolder> folder) {
    m_folderToEdit = std::move(folder);
    emit changed(Field::folderToEdit);
}

void FolderStore::setShowingAppPicker(bool value) {
    if (m_showingAppPicker == value) {
        return;
    }
    m_showingAppPicker = value;
    emit changed(Field::showingAppPicker);
}

void FolderStore::setAppPickerCallback(AppPickerCallback callback) {
    m_appPickerCallback = std::move(callback);
    emit changed(Field::appPickerCallback);
}

void FolderStore::setAppPickerCurrentBundleIDs(const QSet<QString>& ids) {
    if (m_appPickerCurrentBundleIDs == ids) {
        return;
    }
    m_appPickerCurrentBundleIDs = ids;
    emit changed(Field::appPickerCurrentBundleIDs);
}

void FolderStore::setNewlyAddedFolderID(std::optional<QUuid> id) {
    if (m_newlyAddedFolderID == id) {
        return;
    }
    m_newlyAddedFolderID = id;
    emit changed(Field::newlyAddedFolderID);
}

} // namespace tessly
