// The property-list reader against any bytes, XML or binary: it never crashes, never recurses without bound
// and never builds more than the list's size explains (the run's memory and time limits catch that), and a
// list it accepts is written in its format and read back.
#include "platform/property_list.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessly;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto parsed = readPropertyList(bytes);
    if (!parsed) {
        return 0;
    }
    QString error;
    if (!readPropertyList(writePropertyList(parsed->root, parsed->format), &error)) {
        std::fprintf(stderr, "an accepted list does not read back once written: %s\n", qPrintable(error));
        std::abort();
    }
    return 0;
}
