#include "base/info_plist.h"

#include "base/bounded_read.h"
#include "base/plist_checks.h"

#include <cstdint>
#include <limits>
#include <plist/plist.h>

namespace tessly {

std::optional<std::string> infoPlistText(const std::string& bundle, const char* key) {
    std::string bytes;
    int error = 0;
    if (readRegularFile((bundle + "/Contents/Info.plist").c_str(), kPropertyListFileBytes, bytes, error) !=
            RegularFileRead::read ||
        bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;
    }
    const auto length = static_cast<uint32_t>(bytes.size());
    const bool binary = plist_is_binary(bytes.data(), length) != 0;
    if (propertyListRefusal(bytes, binary)) {
        return std::nullopt;
    }
    // Only a text is taken from the list, so the locale libplist reads XML reals in does not matter here.
    plist_t root = nullptr;
    if (binary) {
        plist_from_bin(bytes.data(), length, &root);
    } else {
        plist_from_xml(bytes.data(), length, &root);
    }
    if (!root) {
        return std::nullopt;
    }
    std::optional<std::string> text;
    if (plist_get_node_type(root) == PLIST_DICT) {
        const plist_t value = plist_dict_get_item(root, key);
        if (value && plist_get_node_type(value) == PLIST_STRING) {
            // The pointer getter, unlike the copying one, does not assert on the text's length.
            uint64_t size = 0;
            const char* chars = plist_get_string_ptr(value, &size);
            if (chars && size > 0) {
                text.emplace(chars, static_cast<std::size_t>(size));
            }
        }
    }
    plist_free(root);
    return text;
}

} // namespace tessly
