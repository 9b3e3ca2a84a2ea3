// File operations of the helper machinery that never follow a symbolic link out of where they were pointed.
//
//     removeTree(helperPath);        // a link is removed as a link
//
// Plain functions; main thread only (as everything of the helper manager).
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace tessly::helper_files {

/// Deletes a file, a link (as a link) or a whole directory tree without following links; errors ignored.
void removeTree(const QString& path);
/// Whether anything, a dangling link included, is at `path`.
[[nodiscard]] bool existsOrIsLink(const QString& path);
/// Whether `path`, once its links are resolved, lies inside `directory`.
[[nodiscard]] bool staysInside(const QString& path, const QString& directory);
/// Copies a directory tree to `to`, which must not exist: links copied as links, never followed; permissions
/// and modification dates kept, of directories too. Returns the error's description on failure, when part of
/// the copy may be left at `to`.
[[nodiscard]] std::optional<QString> copyTree(const QString& from, const QString& to);
/// Calls `visit` with every item below `root`, at all depths, hidden ones included; links are visited, never
/// entered. A folder that cannot be read is passed over and the walk goes on; the first such failure is
/// returned as "<path>: <reason>".
std::optional<QString> forEachItemBelow(const QString& root,
                                        const std::function<void(const QString&)>& visit);

} // namespace tessly::helper_files
