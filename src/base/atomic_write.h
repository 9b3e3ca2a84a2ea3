// Replacing a whole file so that a reader, a crash or a full disk never sees or leaves anything but the old
// content or the new, without Qt: the steps behind platform/atomic_file.h, shared with the Dock tile
// plug-in, which writes its pin files from inside the Dock's plug-in host.
//
// The bytes go to a temporary file beside the destination ("<name>." and six random letters and digits with
// both cases among them, the form the folder store recognises when it clears copies a stopped process left
// behind), created with O_EXCL and O_NOFOLLOW, written, given the old file's permissions, synced and checked
// before it is renamed over the destination. A link at the destination is replaced, never written through.
//
//     if (const int error = replaceFileAtomically(path, "1", 1)) { /* strerror(error); the old file stays */
//     }
//
// A plain function; call it from any thread (two writers of one path race as renames do: the last wins).
#pragma once

#include <cstddef>

namespace tessly {

/// Replaces the file at `path` with `size` bytes at `data`; 0 on success, or the errno of the step that
/// failed, when the file at `path` is as it was and no temporary file is left.
[[nodiscard]] int replaceFileAtomically(const char* path, const char* data, std::size_t size);

} // namespace tessly
