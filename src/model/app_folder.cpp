#include "model/app_folder.h"

namespace tessly {

size_t qHash(const AppItem& item, size_t seed) noexcept {
    return qHashMulti(seed, item.id, item.name, item.bundleID, item.appURL);
}

} // namespace tessly
