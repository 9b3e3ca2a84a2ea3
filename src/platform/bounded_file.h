// Reading a file that any program of the session may have put in its place.
//
// Every file the program reads (the folder file, the user defaults, Info.plist files, the Dock's preferences,
// the helper state markers) is read through here. The file is opened without blocking and only a regular file
// is read, so a named pipe or a device in its place is refused at once instead of hanging the program; and no
// more than a cap for its kind is read, so a link to an endless file costs nothing. The caps are far above
// any real file of that kind.
//
//     const BoundedFileRead read = readBoundedFile(path, kPropertyListFileLimit);
//     if (read.status == BoundedFileRead::Status::Missing) { ... }       // no file, or a dangling link
//     else if (read.status == BoundedFileRead::Status::Read) { parse(read.bytes); }
//     else { console.printLine("cannot read " + path + ": " + read.error); }
//
// A plain function; call it from any thread.
#pragma once

#include "base/bounded_read.h"

#include <QByteArray>
#include <QString>

namespace tessly {

/// The largest folder file that is read: a thousand folders of twenty applications take about 5 MB.
inline constexpr qint64 kFolderFileLimit = 64 * 1024 * 1024;
/// The largest property list file that is read (user defaults, Info.plist files, the Dock's preferences).
inline constexpr qint64 kPropertyListFileLimit = kPropertyListFileBytes;
/// The largest desktop entry that is read (the installed applications', and the folders' own launchers).
inline constexpr qint64 kDesktopEntryFileLimit = 1024 * 1024;
/// The largest state marker that is read (a launch time, a pin state).
inline constexpr qint64 kStateFileLimit = 4096;
/// The largest small text file that is read (the login item's entry, string tables, tables of the bundle's
/// resources).
inline constexpr qint64 kSmallFileLimit = 4 * 1024 * 1024;

struct BoundedFileRead {
    enum class Status {
        Read,      ///< `bytes` holds the whole file
        Missing,   ///< nothing at the path, a dangling link, or a path through something that is no folder
        Unreadable ///< something is there but cannot be read as a file of this kind; `error` says why
    };
    Status status = Status::Missing;
    QByteArray bytes;
    QString error;
};

/// Reads the regular file at `path` (links followed) if it holds at most `maximumBytes` bytes.
[[nodiscard]] BoundedFileRead readBoundedFile(const QString& path, qint64 maximumBytes);

} // namespace tessly
