// Reading one text of a bundle's Info.plist without Qt, for the Dock tile plug-in (its host's folder
// identity) and the plug-in host (which plug-in to load): the file read as platform/bounded_file.h reads it,
// checked as every property list is (base/plist_checks.h), and parsed by libplist.
//
//     const std::optional<std::string> id = infoPlistText(hostBundle, kGroupIdentifierInfoKey);
//
// Any thread.
#pragma once

#include <optional>
#include <string>

namespace tessly {

/// The text under `key` of "<bundle>/Contents/Info.plist", as it is (UTF-8, possibly holding any byte but
/// NUL); nothing when the file cannot be read or parsed, is no dictionary, or the value is missing, not
/// text, or empty.
[[nodiscard]] std::optional<std::string> infoPlistText(const std::string& bundle, const char* key);

} // namespace tessly
