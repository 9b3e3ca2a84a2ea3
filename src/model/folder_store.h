// The user's folders and the folder file: the only writer of "Application Support/Tessly/folders.json".
//
//     FolderStore store(paths, helperManager, notifications, queue, clock, console);
//     store.load();
//     QObject::connect(&store, &FolderStore::changed, view, [](FolderStore::Field f) { ... });
//     store.updateFolder(renamed);      // saves, and rebuilds the folder's helper when it is in the Dock
//
// Every change of the list is saved at once, whole and atomically. Each field is observable through
// `changed`: boolean, UUID and text-set fields notify only when their value changes; the list and the
// optional folders notify on every assignment. Changes of folders turn into helper actions (install, rebuild,
// retire, remove).
//
// A folder file that cannot be read is never overwritten: before the first save that would replace it, it is
// moved aside next to itself ("folders.json.unreadable-<date>") and a line says where it went.
//
// Main thread only.
#pragma once

#include "model/app_folder.h"
#include "model/helper_actions.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/main_queue.h"
#include "platform/notification_center.h"
#include "platform/paths.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>
#include <functional>
#include <optional>

namespace tessly {

class FolderStore final : public QObject {
    Q_OBJECT

public:
    enum class Field {
        didStartDockStateMonitoring,
        pendingDockReconcileWorkItem,
        folderPendingDelete,
        showingEmptyFolderAlert,
        showingFolderEditor,
        folderToEdit,
        showingAppPicker,
        appPickerCallback,
        appPickerCurrentBundleIDs,
        newlyAddedFolderID,
        folders,
    };
    Q_ENUM(Field)

    using AppPickerCallback = std::function<void(const QList<AppItem>&)>;

    /// Creates the folder file's directory if it is missing (a failure shows later, when saving).
    FolderStore(const Paths& paths, HelperActions& helpers, NotificationCenter& notifications,
                MainQueue& queue, const Clock& clock, Console& console, QObject* parent = nullptr);
    ~FolderStore() override;

    /// The folder file.
    [[nodiscard]] const QString& saveURL() const { return m_saveURL; }

    /// Where helper launches are noted; null while the shell has none. Not owned.
    void setHelperLaunchRecorder(HelperLaunchRecorder* recorder) { m_launchRecorder = recorder; }

    /// Replaces the folders with the folder file's; no file leaves them as they are. A file that reads back
    /// in another form than the program's own is rewritten at once.
    void load();
    void save();

    void addFolder(const AppFolder& folder);
    void updateFolder(const AppFolder& folder);
    void deleteFolder(const QUuid& id, double delaySeconds);
    void setInDock(const QUuid& id, bool value);
    void scheduleDockReconcile();
    /// Brings the helpers in line with the list at once, provided the list is the folder file's: read from
    /// it, or written to it since. Before that (an unreadable file at start, nothing read yet) it prints a
    /// line and leaves every helper alone. Every synchronisation of the helpers goes through here.
    void syncHelpers();

    [[nodiscard]] const QList<AppFolder>& folders() const { return m_folders; }
    /// Assigns the whole list, and saves it.
    void setFoldersForTesting(const QList<AppFolder>& folders);
    /// The first folder with `id`, or nothing.
    [[nodiscard]] std::optional<AppFolder> folder(const QUuid& id) const;

    [[nodiscard]] bool didStartDockStateMonitoring() const { return m_didStartDockStateMonitoring; }
    void setDidStartDockStateMonitoring(bool value);
    /// True while a Dock reconcile is scheduled and has not run yet.
    [[nodiscard]] bool pendingDockReconcileWorkItem() const { return m_pendingDockReconcile.isPending(); }
    [[nodiscard]] const std::optional<AppFolder>& folderPendingDelete() const {
        return m_folderPendingDelete;
    }
    void setFolderPendingDelete(std::optional<AppFolder> folder);
    [[nodiscard]] bool showingEmptyFolderAlert() const { return m_showingEmptyFolderAlert; }
    void setShowingEmptyFolderAlert(bool value);
    [[nodiscard]] bool showingFolderEditor() const { return m_showingFolderEditor; }
    void setShowingFolderEditor(bool value);
    [[nodiscard]] const std::optional<AppFolder>& folderToEdit() const { return m_folderToEdit; }
    void setFolderToEdit(std::optional<AppFolder> folder);
    [[nodiscard]] bool showingAppPicker() const { return m_showingAppPicker; }
    void setShowingAppPicker(bool value);
    [[nodiscard]] const AppPickerCallback& appPickerCallback() const { return m_appPickerCallback; }
    /// An empty function means none.
    void setAppPickerCallback(AppPickerCallback callback);
    [[nodiscard]] const QSet<QString>& appPickerCurrentBundleIDs() const {
        return m_appPickerCurrentBundleIDs;
    }
    void setAppPickerCurrentBundleIDs(const QSet<QString>& ids);
    [[nodiscard]] const std::optional<QUuid>& newlyAddedFolderID() const { return m_newlyAddedFolderID; }
    void setNewlyAddedFolderID(std::optional<QUuid> id);

    /// True after a load found a file it could not read, until that file is moved aside or reads again:
    /// the list in memory then says nothing about what the user has.
    [[nodiscard]] bool fileFailedToLoad() const { return m_fileFailedToLoad; }

signals:
    void changed(tessly::FolderStore::Field field);

private:
    /// Assigns the list and saves, unless the file already holds exactly these bytes.
    void assignFolders(QList<AppFolder> folders, const QByteArray* bytesOnDisk = nullptr);
    void noteLaunchAndInstall(const AppFolder& folder);
    [[nodiscard]] qsizetype indexOf(const QUuid& id) const;
    /// Moves the unreadable folder file out of the way; false when it is still in the way.
    [[nodiscard]] bool setAsideUnreadableFile();
    void writeFile(const QByteArray& bytes);
    /// Removes temporary copies that a save interrupted long ago left beside the file.
    void removeStaleTemporaryFiles() const;

    Paths m_paths;
    HelperActions& m_helpers;
    NotificationCenter& m_notifications;
    MainQueue& m_queue;
    const Clock& m_clock;
    Console& m_console;
    HelperLaunchRecorder* m_launchRecorder = nullptr;
    QString m_saveURL;
    bool m_fileFailedToLoad = false;
    /// Whether `m_folders` was read from the folder file (or found none there) or written to it since.
    bool m_listIsTheFiles = false;
    /// The file's bytes as this store last wrote them or read them in its own form: `m_folders` is their
    /// decoding, so a load that finds them again has nothing to decode.
    QByteArray m_syncedBytes;

    bool m_didStartDockStateMonitoring = false;
    DelayedWork m_pendingDockReconcile{m_queue};
    std::optional<AppFolder> m_folderPendingDelete;
    bool m_showingEmptyFolderAlert = false;
    bool m_showingFolderEditor = false;
    std::optional<AppFolder> m_folderToEdit;
    bool m_showingAppPicker = false;
    AppPickerCallback m_appPickerCallback;
    QSet<QString> m_appPickerCurrentBundleIDs;
    std::optional<QUuid> m_newlyAddedFolderID;
    QList<AppFolder> m_folders;
};

} // namespace tessly
