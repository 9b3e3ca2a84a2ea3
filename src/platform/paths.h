// Where the program keeps its files, relative to the user's home folder.
//
//     Paths paths(QDir::homePath());
//     QString folderFile = paths.folderFile();   // "~/Library/Application Support/Tessly/folders.json"
//
// The home folder is fixed at construction: the program takes the process's own (see linux/paths_linux.h),
// tests hand in a temporary one. A plain value; use it from any thread.
#pragma once

#include <QString>

namespace tessly {

class Paths {
public:
    explicit Paths(QString home);

    [[nodiscard]] const QString& home() const { return m_home; }
    /// "~/Library/Application Support"
    [[nodiscard]] QString applicationSupport() const;
    /// "~/Library/Preferences"
    [[nodiscard]] QString preferences() const;
    /// "~/Library/Containers"
    [[nodiscard]] QString containers() const;
    /// The preferences file of a defaults domain: "~/Library/Preferences/<domain>.plist".
    [[nodiscard]] QString preferencesFile(const QString& domain) const;

    // The program's own files, all under "~/Library/Application Support/Tessly".
    /// "…/Tessly/folders.json", the folder file.
    [[nodiscard]] QString folderFile() const;
    /// "…/Tessly/Helpers", where the helper bundles live.
    [[nodiscard]] QString helpersDirectory() const;
    /// "…/Tessly/HelperState", the launch markers, preserve markers and pin files.
    [[nodiscard]] QString helperStateDirectory() const;
    /// "…/Tessly/Main.lock", held by the one running main application.
    [[nodiscard]] QString mainApplicationLockFile() const;
    /// "…/Tessly/HelperState/<folder>.lock", held by the one running helper of the folder (its UUID text).
    [[nodiscard]] QString helperLockFile(const QString& folderIdentifier) const;

private:
    QString m_home;
};

} // namespace tessly
