// The checks a property list passes before libplist reads it: libplist 2.2 parses XML recursively, expands
// every shared reference of a binary list into a copy, and aborts on a text holding a NUL character, so what
// would exhaust its stack, its memory or stop the process is refused on the bytes first. Shared by the
// program's property-list reader (platform/property_list.h) and the Dock tile plug-in and its host, which
// read Info.plist files without Qt: one set of rules for every reader.
//
//     if (const char* refused = propertyListRefusal(bytes, plist_is_binary(data, size) != 0)) {
//     fail(refused); } plist_from_bin(...) or plist_from_xml(...);
//
// Plain functions of bytes; any thread.
#pragma once

#include <string_view>

namespace tessly {

/// Deepest nesting of arrays and dictionaries that is read; deeper documents are refused as malformed.
inline constexpr int kMaximumPlistDepth = 256;

/// Nothing (nullptr) when `bytes`, an XML (`binary` false) or binary property list, may be handed to
/// libplist; otherwise why not, as a static English text.
[[nodiscard]] const char* propertyListRefusal(std::string_view bytes, bool binary);

} // namespace tessly
