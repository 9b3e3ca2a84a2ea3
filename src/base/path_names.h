// The rules that keep names from files and peers inside Tessly's own directories, without Qt: one plain
// component of a path, and a resolved path strictly below a resolved directory. platform/path_safety.h
// gives the program the same rules on QString; the Dock tile plug-in and its host use these directly.
//
//     if (!isPlainFileName(folderID)) return;   // nothing is written for "..", "a/b", ".hidden"
//
// Plain functions of strings; any thread.
#pragma once

#include <string_view>

namespace tessly {

/// One component of a path and nothing more: not empty, without "/" and without NUL, and not starting with a
/// dot, which keeps out "." and ".." and the hidden files no name from outside has reason to name.
[[nodiscard]] constexpr bool isPlainFileName(std::string_view name) {
    return !name.empty() && name.front() != '.' && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

/// Whether `resolvedPath` lies strictly below `resolvedDirectory`, both with their links resolved already.
/// An empty path or directory contains and is inside nothing; the directory itself is not inside itself.
[[nodiscard]] constexpr bool isInsideDirectory(std::string_view resolvedPath,
                                               std::string_view resolvedDirectory) {
    if (resolvedPath.empty() || resolvedDirectory.empty()) {
        return false;
    }
    // The root holds everything but itself; any other directory is compared with its separator, so that
    // "/a/bc" is not inside "/a/b".
    const bool endsWithSlash = resolvedDirectory.back() == '/';
    const std::size_t prefix = resolvedDirectory.size() + (endsWithSlash ? 0 : 1);
    return resolvedPath.size() > prefix && resolvedPath.starts_with(resolvedDirectory) &&
           (endsWithSlash || resolvedPath[resolvedDirectory.size()] == '/');
}

} // namespace tessly
