// Desktop entries on Linux: the ".desktop" files of the XDG application directories as applications, and the
// launch and icon of one entry, all through GIO's desktop application information (GDesktopAppInfo).
//
//     LinuxDesktopApplications entries;                       // $XDG_DATA_HOME, then $XDG_DATA_DIRS
//     for (const DesktopApplication& entry : entries.applications("uk")) { ... }
//     std::optional<QString> error = launchDesktopEntry(entry.entryPath, {});
//
// The directories are read here, at every call, rather than through GIO's own list of applications: GIO reads
// XDG_DATA_HOME and XDG_DATA_DIRS once per process and keeps what it found, so a tree given later (a test's,
// or a directory the user just set) would never be seen; and it opens every file it finds, so a named pipe
// called "x.desktop" would block it. Each directory "<dir>/applications" is walked recursively (links
// followed, a directory met twice walked once, at most kMaximumEntryDepth levels), and an entry's identifier
// is its path below that directory with "/" turned into "-" and without ".desktop", as the XDG menu rules
// say. The first directory that holds an identifier decides it: an entry of the user's that is hidden hides
// the system's entry of that identifier too. Each file is read through the bounded file reader and given to
// GIO as a key file, which applies the rest of the rules: the type must be Application, TryExec and the
// program of Exec must be found, Hidden and NoDisplay leave the entry out, and OnlyShowIn and NotShowIn are
// judged against the desktops of XDG_CURRENT_DESKTOP (read by GIO once per process). The name is the entry's
// Name in the language asked for (its Name[<language>] when it has one), control characters turned into
// spaces; an entry without a name is left out.
//
// Main thread only.
#pragma once

#include "platform/desktop_applications.h"

#include <QStringList>
#include <optional>

namespace tessly {

/// Directories below an application directory that are walked at most.
inline constexpr int kMaximumEntryDepth = 8;

class LinuxDesktopApplications final : public DesktopApplications {
public:
    /// The XDG application directories of the process's environment, read again at every call.
    LinuxDesktopApplications() = default;
    /// Fixed application directories, in order of precedence.
    explicit LinuxDesktopApplications(QStringList applicationDirectories);

    [[nodiscard]] QList<DesktopApplication> applications(const QString& language) const override;

private:
    std::optional<QStringList> m_applicationDirectories;
};

/// $XDG_DATA_HOME, then each of $XDG_DATA_DIRS, with the defaults of the XDG base directory rules
/// ("~/.local/share"; "/usr/local/share:/usr/share") and relative entries left out, each directory once.
[[nodiscard]] QStringList xdgDataDirectories();

/// "$XDG_DATA_HOME/applications", then "<dir>/applications" for each of $XDG_DATA_DIRS, with the defaults
/// of the XDG base directory rules ("~/.local/share"; "/usr/local/share:/usr/share") and relative entries
/// left out, each directory once.
[[nodiscard]] QStringList xdgApplicationDirectories();

/// Whether `path` (a path or a file URL) names a desktop entry: it ends in ".desktop" and is no directory.
[[nodiscard]] bool isDesktopEntryPath(const QString& path);

/// Starts the desktop entry at `path` (a path or a file URL) as the desktop would, through GIO: its Exec line
/// with its field codes, in a terminal when it asks for one, or over the session bus when it is started that
/// way. `arguments` are handed to it as files or URIs. The description of what went wrong, or nothing.
[[nodiscard]] std::optional<QString> launchDesktopEntry(const QString& path, const QStringList& arguments);

/// Where the icon of a desktop entry comes from: theme icon names, best first, or an image file.
struct DesktopEntryIcon {
    QStringList themeNames;
    QString filePath;
};

/// The icon the desktop entry at `path` (a path or a file URL) names; nothing when the entry cannot be read,
/// is no application's or names no icon.
[[nodiscard]] std::optional<DesktopEntryIcon> desktopEntryIcon(const QString& path);

} // namespace tessly
