// The JSON form of the folder records: the folder file, read by every process of the program.
//
//     QByteArray bytes = encodeFolderList(folders);                  // compact JSON array
//     FolderListDecoding read = decodeFolderList(bytes, clock.now());
//     if (!read.folders) console.printLine("... " + read.error);
//
// Reading is lenient for folders and tile styles (missing or null members take their defaults; "createdAt"
// takes the reading time) and strict for application entries. A member of the wrong type, a bad UUID or URL,
// or an unknown enumeration text fails the whole document. Extra members are ignored.
//
// Plain functions; use them from any thread.
#pragma once

#include "model/app_folder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace tessly {

struct FolderListDecoding {
    /// The folders, or nothing when the document is unreadable.
    std::optional<QList<AppFolder>> folders;
    /// Why it is unreadable.
    QString error;
};

/// The folder file's bytes: a compact JSON array of folder objects, each with all seven members.
[[nodiscard]] QByteArray encodeFolderList(const QList<AppFolder>& folders);

/// Reads a folder file; `now` is the creation time of folders that have none.
[[nodiscard]] FolderListDecoding decodeFolderList(const QByteArray& bytes, Date now);

} // namespace tessly
