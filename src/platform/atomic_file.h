// Writing a whole file so that a reader, a crash or a full disk never sees or leaves anything but the old
// content or the new.
//
// Every file the program writes (the folder file, the user defaults, Info.plist files, the state markers, the
// pin files, the login item, icons) is written through here. The bytes go to a temporary file beside the
// destination, which is flushed to the disk and checked (every write, the size on disk, the sync, the close)
// before it is renamed over the destination. Any failure removes the temporary file, leaves the old file as
// it was and returns the reason, such as "No space left on device". A buffered writer that only learns of a
// full disk when it flushes would otherwise rename an empty file over the user's data.
//
//     if (const auto error = writeFileAtomically(path, bytes)) {
//         console.printLine("[FolderStore] Failed to save folders: " + *error);
//     }
//
// A plain function; call it from any thread (two writers of one path race as renames do: the last wins).
#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace tessly {

/// What a write does when the destination's name is a symbolic link.
enum class LinkAtDestination {
    /// The link itself is replaced by the new file and whatever it pointed at is left alone: inside the
    /// program's own folders a link can only have been planted there, and must not lead a write out of them.
    replace,
    /// The file the link leads to is rewritten and the link kept, as for a preferences file the user keeps
    /// elsewhere and links into place.
    writeThrough
};

/// Replaces the file at `path` with `bytes`; returns nothing on success, or why it failed, when the file at
/// `path` is as it was. An existing file's permissions are kept; a new one gets the default ones.
[[nodiscard]] std::optional<QString> writeFileAtomically(const QString& path, QByteArrayView bytes,
                                                         LinkAtDestination link = LinkAtDestination::replace);

} // namespace tessly
