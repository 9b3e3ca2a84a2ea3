// What reading a property list costs when the list is hostile: a few hundred bytes that expand into an
// enormous tree, nest 100,000 deep or hide deep nesting from a quick look; and, for comparison, a real Dock
// preferences file and the largest broadcast a process accepts. Time per read, and the growth of the peak
// resident memory of one read measured in a child process (counter peak_kib).
//
//   build/bench/platform/property_list_bench --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true
#include "platform/property_list.h"
#include "support/binary_plist_builder.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessly {
namespace {

using testing::BinaryPlistBuilder;

QByteArray expandingList() {
    return testing::doublingLevels(40);
}

QByteArray deepBinaryList() {
    BinaryPlistBuilder plist;
    std::uint32_t inner = plist.add(BinaryPlistBuilder::integer(1));
    for (int level = 0; level < 100'000; ++level) {
        inner = plist.add(BinaryPlistBuilder::container({inner}));
    }
    return plist.build(inner);
}

QByteArray xmlDeepBehindAComment() {
    QByteArray bytes = "<plist version=\"1.0\"><!-- ";
    for (int i = 0; i < 100'000; ++i) {
        bytes += "</array>";
    }
    bytes += " -->";
    for (int i = 0; i < 100'000; ++i) {
        bytes += "<array>";
    }
    return bytes;
}

// As many distinct small integers in one array as fit in the largest user information a broadcast may carry.
QByteArray largestBroadcast() {
    BinaryPlistBuilder plist;
    std::vector<std::uint32_t> items;
    for (int i = 0; i < 6'000; ++i) {
        items.push_back(plist.add(QByteArray("\x11", 1) + char(i >> 8) + char(i & 0xFF)));
    }
    const std::uint32_t key = plist.add(QByteArray("\x51k", 2));
    const std::uint32_t array = plist.add(BinaryPlistBuilder::container(items));
    return plist.build(plist.add(BinaryPlistBuilder::container({key, array}, 0xD0)));
}

QByteArray largeXmlArray() {
    QByteArray bytes = "<plist version=\"1.0\"><array>";
    for (int i = 0; i < 6'000; ++i) {
        bytes += "<integer>" + QByteArray::number(i) + "</integer>";
    }
    return bytes + "</array></plist>";
}

QByteArray realDockPreferences() {
    QFile file(QStringLiteral(TESSLY_SOURCE_DIR "/tests/fixtures/dock/xml-real-sizes.plist"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The growth of the peak resident memory while one read runs, in KiB, from a child process so that each
// input is measured from the same start.
double peakGrowthKiB(const QByteArray& bytes) {
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        benchmark::DoNotOptimize(readPropertyList(bytes));
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        const long growth = after.ru_maxrss - before.ru_maxrss;
        [[maybe_unused]] const auto written = ::write(pipe[1], &growth, sizeof growth);
        ::_exit(0);
    }
    ::close(pipe[1]);
    long growth = -1;
    [[maybe_unused]] const auto read = ::read(pipe[0], &growth, sizeof growth);
    ::close(pipe[0]);
    ::waitpid(child, nullptr, 0);
    return static_cast<double>(growth);
}

void readList(benchmark::State& state, QByteArray (*make)()) {
    const QByteArray bytes = make();
    for (auto _ : state) {
        benchmark::DoNotOptimize(readPropertyList(bytes));
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
    state.counters["peak_kib"] = peakGrowthKiB(bytes);
}

BENCHMARK_CAPTURE(readList, expanding_2_to_40, expandingList)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(readList, binary_100000_deep, deepBinaryList)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(readList, xml_deep_behind_comment, xmlDeepBehindAComment)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(readList, largest_broadcast, largestBroadcast)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(readList, xml_array_of_6000, largeXmlArray)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(readList, real_dock_preferences, realDockPreferences)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tessly
