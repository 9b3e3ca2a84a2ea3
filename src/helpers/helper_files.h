// File operations of the helper machinery that never follow a symbolic link out of where they were pointed.
//
//     removeTree(helperPath);        // a link is removed as a link
//
// Plain functions; main thread only (as everything of the helper manager).
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tessly::helper_files {

/// Deletes a file, a link (as a link) or a whole directory tree without following links; errors ignored.
void removeTree(const QString& path);
/// Whether anything, a dangling link included, is at `path`.
[[nodiscard]] bool existsOrIsLink(const QString& path);
/// Whether `path`, once its links are resolved, lies inside `directory`.
[[nodiscard]] bool staysInside(const QString& path, const QString& directory);
/// Copies a directory tree, links copied as links. Returns the error's description on failure.
[[nodiscard]] std::optional<QString> copyTree(const QString& from, const QString& to);
/// Writes `bytes` to `path` atomically (a temporary file renamed over it).
bool writeAtomically(const QString& path, const QByteArray& bytes);

} // namespace tessly::helper_files
