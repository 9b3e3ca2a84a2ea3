// Keeping a file that cannot be read beside its place instead of overwriting it.
//
// A folder file or preferences file that the program cannot read may still hold what the user made; before
// the program writes a new one, the old one is renamed to "<file>.<label>-<UTC date>-<time>", with "-2",
// "-3", ... when that name is taken (two files set aside within one second), never replacing anything.
//
//     QString error;
//     if (auto aside = moveFileAside(path, QStringLiteral("damaged"), clock.now(), &error)) {
//         console.printLine("kept the damaged file as " + *aside);
//     }
//
// A plain function; call it from any thread.
#pragma once

#include "platform/date.h"

#include <QString>
#include <optional>

namespace tessly {

/// Renames `path` to a free name beside it; returns the new path, or nothing (and why in `error`).
[[nodiscard]] std::optional<QString> moveFileAside(const QString& path, const QString& label, Date when,
                                                   QString* error = nullptr);

} // namespace tessly
