// The folder file reader against any bytes: it never crashes, and whatever it accepts, the program's own form
// of it reads back to a list that is written to the very same bytes (a file the program wrote is one it reads
// and does not rewrite).
#include "model/folder_json.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessly;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Date now = Date::fromTimeIntervalSinceReferenceDate(786'000'000.0);
    const FolderListDecoding read = decodeFolderList(bytes, now);
    if (!read.folders) {
        return 0;
    }
    const QByteArray written = encodeFolderList(*read.folders);
    const FolderListDecoding again = decodeFolderList(written, now);
    if (!again.folders) {
        std::fprintf(stderr, "the written form does not read back: %s\n%s\n", qPrintable(again.error),
                     written.constData());
        std::abort();
    }
    if (encodeFolderList(*again.folders) != written) {
        std::fprintf(stderr, "the written form is not stable:\n%s\n", written.constData());
        std::abort();
    }
    return 0;
}
