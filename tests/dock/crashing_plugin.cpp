// A Dock tile plug-in that crashes while it is being loaded: the Dock must outlive it.
#include <cstdlib>

namespace {
[[gnu::constructor]] void crashOnLoad() {
    std::abort();
}
} // namespace
