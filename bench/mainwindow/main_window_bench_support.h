// What the main window's benchmarks build their views on: one process's settings over test doubles, the
// program's string tables and symbols, the workspace icons of its resources, a folder store and the real main
// queue; and folders to fill the store with.
//
//     MainWindowBenchProcess process;
//     process.store.setFoldersForTesting(benchFolders(1000, 20));
//
// Main thread only.
#pragma once

#include "model/folder_store.h"
#include "platform/linux/symbol_images_linux.h"
#include "platform/linux/system_linux.h"
#include "platform/linux/workspace_icons_linux.h"
#include "platform/main_bundle.h"
#include "settings/localization.h"
#include "support/recording_helper_actions.h"
#include "support/settings_harness.h"
#include "support/string_table_bundle.h"

namespace tessly::bench {

struct MainWindowBenchProcess {
    testing::SettingsHarness harness;
    AppSettings& settings = harness.make();
    MainBundle bundle{testing::makeStringTableBundle(harness.home), {}};
    Localization l10n{settings, bundle};
    testing::RecordingHelperActions helpers;
    FolderStore store{harness.home.paths(), helpers,      harness.center,
                      harness.time,         harness.time, harness.console};
    LinuxSymbolImages symbols{QStringLiteral(TESSLY_SOURCE_DIR "/resources/symbols.tsv"),
                              QStringLiteral(TESSLY_SYMBOL_FONT)};
    LinuxWorkspaceIcons icons{QStringLiteral(TESSLY_SOURCE_DIR "/resources/images")};
    QtMainQueue queue;
};

/// `count` folders named "Folder N", every third in the Dock, each with `applications` applications whose
/// bundles do not exist (the generic icon is drawn).
[[nodiscard]] inline QList<AppFolder> benchFolders(int count, int applications) {
    QList<AppFolder> folders;
    for (int index = 0; index < count; ++index) {
        AppFolder folder;
        folder.id = QUuid::createUuid();
        folder.name = QStringLiteral("Folder %1").arg(index);
        folder.isInDock = index % 3 == 0;
        for (int app = 0; app < applications; ++app) {
            const QString name = QStringLiteral("Application %1-%2").arg(index).arg(app);
            folder.apps.append(AppItem{QUuid::createUuid(), name,
                                       QStringLiteral("app.example.%1.%2").arg(index).arg(app),
                                       QUrl::fromLocalFile(QStringLiteral("/nowhere/") + name + ".app")});
        }
        folders.append(folder);
    }
    return folders;
}

} // namespace tessly::bench
