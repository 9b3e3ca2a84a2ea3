// The settings as a helper re-reads them on every tile, popup or theme notification, and the text lookups
// that every counted label and footer goes through.
//
//   build/bench/settings/settings_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include "platform/clock.h"
#include "platform/distributed_notification_center.h"
#include "platform/linux/plist_file_user_defaults_linux.h"
#include "platform/login_item_service.h"
#include "platform/main_bundle.h"
#include "platform/notification_center.h"
#include "settings/app_settings.h"
#include "settings/localization.h"
#include "support/in_memory_user_defaults.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <memory>

namespace tessly {
namespace {

class SilentConsole final : public Console {
public:
    void printLine(const QString&) override {}
};

class NoDistributedCenter final : public DistributedNotificationCenter {
public:
    void post(const QString&, const std::optional<QString>&, const PlistDictionary&) override {}
    ObserverToken addObserver(const QString&, DistributedNotificationHandler) override { return 0; }
    void removeObserver(ObserverToken) override {}
};

class NoLoginItems final : public LoginItemService {
public:
    std::optional<QString> registerMainApplication() override { return std::nullopt; }
    std::optional<QString> unregisterMainApplication() override { return std::nullopt; }
};

class FixedClock final : public Clock {
public:
    [[nodiscard]] Date now() const override {
        return Date::fromTimeIntervalSinceReferenceDate(800'000'000.0);
    }
};

const QString kBundleId = QStringLiteral("app.tessly.Tessly");

/// Every stored setting, none at its default, so that a read converts each kind of value.
void fillEveryKey(UserDefaults& defaults) {
    defaults.setBool("launchAtLogin", true);
    defaults.setString("language", "uk");
    defaults.setStringArray("AppleLanguages", {"uk"});
    defaults.setBool("showMenuBar", true);
    defaults.setString("appTheme", "light");
    defaults.setBool("hasCompletedOnboarding", true);
    defaults.setDouble("tileOpacity", 0.8);
    defaults.setDouble("tileCornerRadius", 10.0);
    defaults.setString("tileBackgroundStyle", "purple");
    defaults.setString("tileBackgroundMode", "glass");
    defaults.setBool("tileBorderEnabled", false);
    defaults.setDouble("tileBorderWidth", 2.0);
    defaults.setDouble("tileBorderOpacity", 0.5);
    defaults.setDouble("tileIconPadding", 6.0);
    defaults.setBool("popupShowTitle", false);
    defaults.setInteger("popupColumns", 5);
    defaults.setDouble("popupIconSize", 64.0);
    defaults.setBool("popupShowAppName", false);
    defaults.setString("popupPosition", "center");
    defaults.setString("popupBlurStyle", "dark");
    defaults.setDouble("popupOpacity", 0.9);
    defaults.setString("popupAnimationStyle", "none");
    defaults.setBool("singleClickOpensPopup", false);
}

/// The collaborators of one process's settings, over the given defaults.
struct Process {
    explicit Process(UserDefaults& d) : defaults(d) {}

    std::unique_ptr<AppSettings> makeSettings() {
        return std::make_unique<AppSettings>(defaults, center, distributed, loginItems, console, home.paths(),
                                             kBundleId, clock);
    }

    testing::TempHome home;
    UserDefaults& defaults;
    NotificationCenter center;
    NoDistributedCenter distributed;
    NoLoginItems loginItems;
    SilentConsole console;
    FixedClock clock;
};

void BM_ConstructInMemory(benchmark::State& state) {
    testing::InMemoryUserDefaults defaults;
    fillEveryKey(defaults);
    Process process(defaults);
    for (auto _ : state) {
        auto settings = process.makeSettings();
        benchmark::DoNotOptimize(settings.get());
    }
}
BENCHMARK(BM_ConstructInMemory);

void BM_ReloadInMemory(benchmark::State& state) {
    testing::InMemoryUserDefaults defaults;
    fillEveryKey(defaults);
    Process process(defaults);
    auto settings = process.makeSettings();
    for (auto _ : state) {
        settings->reloadFromDefaults();
    }
}
BENCHMARK(BM_ReloadInMemory);

// The real store: one plist file, checked for another process's write on every read.
struct FileProcess {
    FileProcess() : defaults(paths(), kBundleId, console), process(defaults) { fillEveryKey(defaults); }
    static const Paths& paths() {
        static testing::TempHome home;
        static const Paths p = home.paths();
        return p;
    }
    SilentConsole console;
    PlistFileUserDefaults defaults;
    Process process;
};

void BM_ConstructPlistFile(benchmark::State& state) {
    FileProcess file;
    for (auto _ : state) {
        auto settings = file.process.makeSettings();
        benchmark::DoNotOptimize(settings.get());
    }
}
BENCHMARK(BM_ConstructPlistFile);

void BM_ReloadPlistFile(benchmark::State& state) {
    FileProcess file;
    auto settings = file.process.makeSettings();
    for (auto _ : state) {
        settings->reloadFromDefaults();
    }
}
BENCHMARK(BM_ReloadPlistFile);

// A helper's reload right after the main application wrote a setting: the file is read and parsed again.
void BM_ReloadPlistFileAfterAnotherProcessWrote(benchmark::State& state) {
    FileProcess file;
    auto settings = file.process.makeSettings();
    SilentConsole otherConsole;
    PlistFileUserDefaults other(FileProcess::paths(), kBundleId, otherConsole);
    double opacity = 0.5;
    for (auto _ : state) {
        state.PauseTiming();
        opacity = opacity > 0.9 ? 0.5 : opacity + 0.01;
        other.setDouble("tileOpacity", opacity);
        state.ResumeTiming();
        settings->reloadFromDefaults();
    }
}
BENCHMARK(BM_ReloadPlistFileAfterAnotherProcessWrote);

/// A bundle holding the program's own string tables.
struct LocalizedProcess {
    LocalizedProcess() : process(defaults) {
        const QString resources = home.path() + "/Tessly.app/Contents/Resources";
        for (const char* code : {"en", "uk"}) {
            QDir().mkpath(resources + "/" + code + ".lproj");
            QFile::copy(QStringLiteral(TESSLY_SOURCE_DIR "/resources/") + code + ".lproj/Localizable.json",
                        resources + "/" + code + ".lproj/Localizable.json");
        }
        (void)writePropertyListFile(home.path() + "/Tessly.app/Contents/Info.plist",
                                    PlistValue(PlistDictionary{{"CFBundleIdentifier", kBundleId}}),
                                    PlistFormat::Xml);
        defaults.setString("language", "uk");
        settings = process.makeSettings();
        bundle = std::make_unique<MainBundle>(home.path() + "/Tessly.app", QStringList{});
        l10n = std::make_unique<Localization>(*settings, *bundle);
    }
    testing::TempHome home;
    testing::InMemoryUserDefaults defaults;
    Process process;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<MainBundle> bundle;
    std::unique_ptr<Localization> l10n;
};

void BM_LocalizedStringPlain(benchmark::State& state) {
    LocalizedProcess p;
    const QString keys[] = {"settings.title", "menu.quit", "onboarding.workflow.subtitle", "Add"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p.l10n->localizedString(keys[i++ % 4]));
    }
}
BENCHMARK(BM_LocalizedStringPlain);

void BM_LocalizedStringCounted(benchmark::State& state) {
    LocalizedProcess p;
    std::int64_t n = 0;
    const QString base = QStringLiteral("main.app_count");
    for (auto _ : state) {
        ++n;
        benchmark::DoNotOptimize(p.l10n->localizedString(p.l10n->pluralKey(base, n), {n}));
    }
}
BENCHMARK(BM_LocalizedStringCounted);

void BM_LocalizedStringWithText(benchmark::State& state) {
    LocalizedProcess p;
    const QString key = QStringLiteral("settings.about.version");
    const FormatArguments arguments{QStringLiteral("0.1.0")};
    for (auto _ : state) {
        benchmark::DoNotOptimize(p.l10n->localizedString(key, arguments));
    }
}
BENCHMARK(BM_LocalizedStringWithText);

void BM_FormatNumber(benchmark::State& state) {
    LocalizedProcess p;
    double value = 0.0;
    for (auto _ : state) {
        value += 0.01;
        benchmark::DoNotOptimize(p.l10n->formatNumber(value, 2));
    }
}
BENCHMARK(BM_FormatNumber);

} // namespace
} // namespace tessly
