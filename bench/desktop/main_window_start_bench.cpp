// The main application's window as a user meets it, on a virtual desktop (Xvfb and a window manager), from
// the built bundle, in a temporary home whose onboarding is done and whose three folders are not in the Dock
// (so no helper starts):
//   - cold start: from starting the program until its window shows painted in the middle of the screen;
//   - reveal: the window closed with its close light, then a click on the program's Dock tile (the reopen
//     request on the bus), until the new window shows painted.
// "Painted" is a pixel in the window's middle, read back from the X server, showing what the window shows
// there once settled (learnt from a first start that is not counted).
//
//   dbus-run-session -- build/bench/desktop/main_window_start_bench
#include "desktop/screen_pixel.h"
#include "model/folder_json.h"
#include "model/uuid_text.h"
#include "platform/linux/application_linux.h"
#include "shell/bench_support.h"
#include "support/temp_home.h"
#include "support/virtual_desktop.h"

#include <benchmark/benchmark.h>

namespace tessly {
namespace {

using bench::monotonicNanoseconds;
using bench::percentile;
using bench::ScreenPixel;
using testing::VirtualDesktop;

constexpr int kColdStarts = 9;
constexpr int kReveals = 20;
constexpr std::int64_t kDeadlineNanoseconds = 20'000'000'000;
// The middle of the 1280 × 800 screen, where a new main window opens.
constexpr int kMiddleX = 640;
constexpr int kMiddleY = 400;

class MainWindowSession {
public:
    QString start() {
        if (const QString missing = VirtualDesktop::missingTools(); !missing.isEmpty()) {
            return missing;
        }
        QList<AppFolder> folders;
        for (const char* name : {"Work", "Games", "Tools"}) {
            AppFolder folder;
            folder.id = makeUuid();
            folder.name = QString::fromLatin1(name);
            folders.append(folder);
        }
        m_home.write("Library/Application Support/Tessly/folders.json", encodeFolderList(folders));
        m_home.write("Library/Preferences/app.tessly.Tessly.plist",
                     R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)"
                     "<key>hasCompletedOnboarding</key><true/></dict></plist>");
        if (!m_desktop.start(m_home.path())) {
            return QStringLiteral("the virtual desktop did not start");
        }
        m_tessly.setProcessEnvironment(m_desktop.environment());
        m_tessly.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_screen = std::make_unique<ScreenPixel>(m_desktop.environment().value("DISPLAY"));
        m_empty = m_screen->at(kMiddleX, kMiddleY);
        return {};
    }
    ~MainWindowSession() { stopTessly(); }

    /// Starts the program; the milliseconds until its window is painted, or a negative number.
    double startTessly() {
        const std::int64_t start = monotonicNanoseconds();
        m_tessly.start(QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/MacOS/Tessly"), {});
        return untilPainted(start);
    }
    /// A first start, to learn what the painted window shows in the middle.
    bool learnPaintedWindow() {
        m_tessly.start(QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/MacOS/Tessly"), {});
        bench::runEventsUntil([&] { return m_screen->at(kMiddleX, kMiddleY) != m_empty; }, 20'000);
        bench::runEventsUntil([] { return false; }, 1'500);
        m_painted = m_screen->at(kMiddleX, kMiddleY);
        stopTessly();
        return m_painted != m_empty;
    }
    void stopTessly() {
        m_tessly.terminate();
        m_tessly.waitForFinished(10'000);
        bench::runEventsUntil([&] { return m_screen && m_screen->at(kMiddleX, kMiddleY) == m_empty; }, 5'000);
    }
    /// Closes the window with its close light and waits until the screen is empty again.
    bool closeWindow() {
        const QStringList windows = m_desktop.visibleWindowsOf(m_tessly.processId());
        if (windows.isEmpty()) {
            return false;
        }
        const QHash<QString, int> frame = m_desktop.geometry(windows.first());
        // The close light: 5 points of resize band, 9 of margin, half the 12-point light; level with the bar.
        m_desktop.run("xdotool", {"mousemove", QString::number(frame["X"] + 20),
                                  QString::number(frame["Y"] + 23), "click", "1", "mousemove", "10", "10"});
        return bench::runEventsUntil([&] { return m_screen->at(kMiddleX, kMiddleY) == m_empty; }, 5'000);
    }
    /// A click on the program's Dock tile: the milliseconds until the window is painted again.
    double reopen() {
        QDBusMessage request =
            QDBusMessage::createSignal(kApplicationPath, kApplicationInterface, kApplicationReopenMember);
        request << QFileInfo(QStringLiteral(TESSLY_BUNDLE_DIR)).canonicalFilePath();
        const std::int64_t start = monotonicNanoseconds();
        QDBusConnection::sessionBus().send(request);
        return untilPainted(start);
    }

private:
    double untilPainted(std::int64_t start) {
        while (m_screen->at(kMiddleX, kMiddleY) != m_painted) {
            if (monotonicNanoseconds() - start > kDeadlineNanoseconds) {
                return -1;
            }
            QCoreApplication::processEvents();
        }
        return static_cast<double>(monotonicNanoseconds() - start) / 1e6;
    }

    testing::TempHome m_home;
    VirtualDesktop m_desktop;
    QProcess m_tessly;
    std::unique_ptr<ScreenPixel> m_screen;
    std::uint32_t m_empty = 0;
    std::uint32_t m_painted = 0;
};

void report(benchmark::State& state, const std::vector<double>& samples) {
    state.counters["median_ms"] = percentile(samples, 0.5);
    state.counters["p90_ms"] = percentile(samples, 0.9);
    state.counters["min_ms"] = percentile(samples, 0.0);
}

/// Starts the session and learns what the painted window shows; false, with the benchmark skipped, when not.
bool prepare(benchmark::State& state, MainWindowSession& session) {
    if (const QString error = session.start(); !error.isEmpty()) {
        state.SkipWithError(error.toUtf8().constData());
        return false;
    }
    if (!session.learnPaintedWindow()) {
        state.SkipWithError("the window never showed");
        return false;
    }
    return true;
}

void BM_ColdStartToMainWindowPainted(benchmark::State& state) {
    for (auto _ : state) {
        MainWindowSession session;
        if (!prepare(state, session)) {
            return;
        }
        std::vector<double> samples;
        for (int run = 0; run < kColdStarts; ++run) {
            const double milliseconds = session.startTessly();
            session.stopTessly();
            if (milliseconds < 0) {
                state.SkipWithError("the window never showed");
                return;
            }
            samples.push_back(milliseconds);
        }
        report(state, samples);
    }
}
BENCHMARK(BM_ColdStartToMainWindowPainted)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_RevealOfAClosedWindowToPainted(benchmark::State& state) {
    for (auto _ : state) {
        MainWindowSession session;
        if (!prepare(state, session)) {
            return;
        }
        if (session.startTessly() < 0) {
            state.SkipWithError("the window never showed");
            return;
        }
        std::vector<double> samples;
        for (int run = 0; run < kReveals; ++run) {
            if (!session.closeWindow()) {
                state.SkipWithError("the window did not close");
                return;
            }
            const double milliseconds = session.reopen();
            if (milliseconds < 0) {
                state.SkipWithError("the window never came back");
                return;
            }
            samples.push_back(milliseconds);
        }
        report(state, samples);
    }
}
BENCHMARK(BM_RevealOfAClosedWindowToPainted)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
