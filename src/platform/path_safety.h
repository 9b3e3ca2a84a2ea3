// Keeping the names that come from files and peers inside Tessly's own directories: a bundle's Info.plist
// names its executable and its icon, a caller a defaults domain, a desktop a launcher's entry. Every such
// name is checked to be one plain component of a path before it is joined to a directory, and every path
// reached through links is checked to stay below the directory it was meant to be in.
//
//     if (!isPlainFileName(name)) return refused();
//     const QString resolved = QFileInfo(bundle + "/Contents/MacOS/" + name).canonicalFilePath();
//     if (!isInsideDirectory(resolved, resolvedBundle)) return refused();
//
// Plain functions of strings; any thread.
#pragma once

#include <QString>

namespace tessly {

/// One component of a path and nothing more: not empty, without "/" and without NUL, and not starting with a
/// dot, which keeps out "." and ".." and the hidden files no name from outside has reason to name.
[[nodiscard]] bool isPlainFileName(const QString& name);

/// Whether `resolvedPath` lies strictly below `resolvedDirectory`, both with their links resolved already
/// (QFileInfo::canonicalFilePath, which is empty for what does not exist). An empty path or directory
/// contains and is inside nothing; the directory itself is not inside itself.
[[nodiscard]] bool isInsideDirectory(const QString& resolvedPath, const QString& resolvedDirectory);

} // namespace tessly
