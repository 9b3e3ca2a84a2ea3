// Application discovery over a whole machine laid out in a temporary folder: real Info.plist files in bundles
// of the six application directories.
#include "discovery/app_discovery.h"

#include "platform/property_list.h"
#include "support/scoped_locale.h"
#include "support/virtual_time.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tessly {
namespace {

using testing::VirtualTime;

const QString kFixtures = QStringLiteral(TESSLY_SOURCE_DIR "/tests/unit/tile/fixtures/");

QByteArray fixture(const QString& name) {
    QFile file(kFixtures + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(name);
    return file.readAll();
}

/// The real built bundle's plist with `edit` applied, as XML.
QByteArray editedFixture(const std::function<void(PlistDictionary&)>& edit) {
    auto parsed = readPropertyList(fixture(QStringLiteral("built-bundle-name-only.plist")));
    EXPECT_TRUE(parsed && parsed->root.isDictionary());
    edit(*parsed->root.asDictionary());
    return writePropertyList(parsed->root, PlistFormat::Xml);
}

QByteArray minimalInfo(const QString& identifier, const QString& name) {
    return writePropertyList(PlistDictionary{{"CFBundleIdentifier", identifier}, {"CFBundleName", name}},
                             PlistFormat::Xml);
}

class AppDiscoveryTest : public ::testing::Test {
protected:
    AppDiscoveryTest() { discovery.setSystemRootForTesting(root.path() + QStringLiteral("/machine")); }

    /// "/Applications" and the other system directories, under the test's machine root.
    [[nodiscard]] QString system(const QString& directory) const {
        return root.path() + QStringLiteral("/machine") + directory;
    }
    [[nodiscard]] QString homeApplications() const { return home() + QStringLiteral("/Applications"); }
    [[nodiscard]] QString home() const { return root.path() + QStringLiteral("/home"); }

    /// Makes `directory`/`fileName` with `info` as its Contents/Info.plist; returns the bundle's path.
    QString makeBundle(const QString& directory, const QString& fileName, const QByteArray& info) const {
        const QString bundle = directory + QLatin1Char('/') + fileName;
        EXPECT_TRUE(QDir().mkpath(bundle + QStringLiteral("/Contents")));
        QFile file(bundle + QStringLiteral("/Contents/Info.plist"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(info);
        return bundle;
    }

    [[nodiscard]] QStringList namesFound() const {
        QStringList names;
        for (const AppItem& app : discovery.discoverAppsNowForTesting()) {
            names.append(app.name);
        }
        return names;
    }

    QTemporaryDir root;
    VirtualTime time;
    /// The interface language's locale, as the program's settings would give it.
    QLocale interfaceLocale{QStringLiteral("en")};
    AppDiscovery discovery{home(), time, [this] { return interfaceLocale; }};
};

TEST(AppDiscoveryDirectoriesTest, ScansTheSixDirectoriesInOrderWithTheHomeThird) {
    VirtualTime time;
    const AppDiscovery discovery(QStringLiteral("/home/someone"), time, [] { return QLocale::c(); });
    EXPECT_EQ(discovery.scanDirectories(),
              QStringList({"/Applications", "/Applications/Utilities", "/home/someone/Applications",
                           "/System/Applications", "/System/Applications/Utilities",
                           "/System/Library/CoreServices/Applications"}));
}

TEST_F(AppDiscoveryTest, RealBuiltBundleIsNamedByItsBundleNameWithItsIdentifierAndDirectoryUrl) {
    const QString bundle =
        makeBundle(system("/Applications/Utilities"), QStringLiteral("Software Updater.app"),
                   fixture(QStringLiteral("built-bundle-name-only.plist")));

    const QList<AppItem> apps = discovery.discoverAppsNowForTesting();

    ASSERT_EQ(apps.size(), 1);
    EXPECT_EQ(apps[0].name, QStringLiteral("Updater"));
    EXPECT_EQ(apps[0].bundleID, QStringLiteral("org.sparkle-project.Sparkle.Updater"));
    EXPECT_EQ(apps[0].appURL, QUrl::fromLocalFile(bundle + QLatin1Char('/')));
    EXPECT_FALSE(apps[0].id.isNull());
}

TEST_F(AppDiscoveryTest, NameIsTheDisplayNameThenTheBundleNameThenTheFileName) {
    const QString apps = system("/Applications");
    makeBundle(apps, QStringLiteral("A.app"), editedFixture([](PlistDictionary& info) {
                   info.set("CFBundleIdentifier", "test.display");
                   info.set("CFBundleDisplayName", "Software Update");
               }));
    // An empty text is present all the same; a value that is no text is not.
    makeBundle(apps, QStringLiteral("B.app"), editedFixture([](PlistDictionary& info) {
                   info.set("CFBundleIdentifier", "test.empty-display");
                   info.set("CFBundleDisplayName", "");
               }));
    makeBundle(apps, QStringLiteral("C.app"), editedFixture([](PlistDictionary& info) {
                   info.set("CFBundleIdentifier", "test.number-display");
                   info.set("CFBundleDisplayName", 42);
               }));
    makeBundle(apps, QStringLiteral("Bar Baz.app"), editedFixture([](PlistDictionary& info) {
                   info.set("CFBundleIdentifier", "test.file-name");
                   info.remove("CFBundleName");
               }));
    makeBundle(apps, QStringLiteral("Foo.bar.app"), editedFixture([](PlistDictionary& info) {
                   info.set("CFBundleIdentifier", "test.dotted-file-name");
                   info.remove("CFBundleName");
               }));

    EXPECT_EQ(namesFound(), QStringList({"", "Bar Baz", "Foo.bar", "Software Update", "Updater"}));
}

TEST_F(AppDiscoveryTest, UnbuiltPlistsWithOneIdentifierPlaceholderKeepTheFirstDirectorysCopy) {
    // Placeholders are plain text: two unbuilt bundles share "$(PRODUCT_BUNDLE_IDENTIFIER)".
    const QString first = makeBundle(system("/Applications"), QStringLiteral("Tiler.app"),
                                     fixture(QStringLiteral("placeholders-empty-icon.plist")));
    makeBundle(homeApplications(), QStringLiteral("Editor.app"),
               fixture(QStringLiteral("placeholders-large.plist")));
    makeBundle(system("/System/Applications"), QStringLiteral("Browser.app"),
               fixture(QStringLiteral("old-doctype-tabs.plist")));

    const QList<AppItem> apps = discovery.discoverAppsNowForTesting();

    ASSERT_EQ(apps.size(), 2);
    // In the English alphabet punctuation ("@") comes before currency signs ("$").
    EXPECT_EQ(apps[0].name, QStringLiteral("@MAC_APP_NAME@"));
    EXPECT_EQ(apps[1].name, QStringLiteral("$(PRODUCT_NAME)"));
    EXPECT_EQ(apps[1].bundleID, QStringLiteral("$(PRODUCT_BUNDLE_IDENTIFIER)"));
    EXPECT_EQ(apps[1].appURL, QUrl::fromLocalFile(first + QLatin1Char('/')));
}

TEST_F(AppDiscoveryTest, SameIdentifierInApplicationsAndHomeKeepsTheApplicationsCopy) {
    // The home copy is listed under another name so that it would win if the sort decided.
    const QString kept = makeBundle(system("/Applications"), QStringLiteral("Mail.app"),
                                    minimalInfo("com.example.mail", "Mail"));
    makeBundle(homeApplications(), QStringLiteral("Mail.app"), minimalInfo("com.example.mail", "A Mail"));
    makeBundle(system("/System/Library/CoreServices/Applications"), QStringLiteral("Mail.app"),
               minimalInfo("com.example.mail", "B Mail"));

    const QList<AppItem> apps = discovery.discoverAppsNowForTesting();

    ASSERT_EQ(apps.size(), 1);
    EXPECT_EQ(apps[0].name, QStringLiteral("Mail"));
    EXPECT_EQ(apps[0].appURL, QUrl::fromLocalFile(kept + QLatin1Char('/')));
}

TEST_F(AppDiscoveryTest, SkipsWhatIsNoBundleWithAnIdentifierOneLevelDeep) {
    const QString apps = system("/Applications");
    makeBundle(apps, QStringLiteral("Kept.app"), minimalInfo("test.kept", "Kept"));
    makeBundle(apps, QStringLiteral("Shouting.APP"), minimalInfo("test.upper", "Shouting"));
    makeBundle(apps, QStringLiteral("Nested/Deep.app"), minimalInfo("test.nested", "Deep"));
    makeBundle(apps, QStringLiteral("Kept.app/Contents/Applications/Inner.app"),
               minimalInfo("test.inner", "Inner"));
    makeBundle(apps, QStringLiteral("NoIdentifier.app"),
               writePropertyList(PlistDictionary{{"CFBundleName", "NoIdentifier"}}, PlistFormat::Xml));
    makeBundle(apps, QStringLiteral("EmptyIdentifier.app"), minimalInfo("", "EmptyIdentifier"));
    makeBundle(apps, QStringLiteral("NumberIdentifier.app"),
               writePropertyList(PlistDictionary{{"CFBundleIdentifier", 7}}, PlistFormat::Xml));
    makeBundle(apps, QStringLiteral("Malformed.app"), QByteArray("<plist><dict><key>CFBundle"));
    makeBundle(apps, QStringLiteral("ArrayRoot.app"),
               writePropertyList(PlistArray{"test.array"}, PlistFormat::Xml));
    QDir().mkpath(apps + QStringLiteral("/Empty.app"));
    QFile plain(apps + QStringLiteral("/Plain.app"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    // A pipe where the Info.plist should be is not waited on.
    QDir().mkpath(apps + QStringLiteral("/Pipe.app/Contents"));
    ASSERT_EQ(
        mkfifo(QFile::encodeName(apps + QStringLiteral("/Pipe.app/Contents/Info.plist")).constData(), 0600),
        0);
    // A binary plist is read as well as an XML one.
    makeBundle(
        system("/Applications/Utilities"), QStringLiteral("Binary.app"),
        writePropertyList(PlistDictionary{{"CFBundleIdentifier", "test.binary"}}, PlistFormat::Binary));

    EXPECT_EQ(namesFound(), QStringList({"Binary", "Kept"}));
}

TEST_F(AppDiscoveryTest, SortsByNameIgnoringCaseAndKeepsEqualNamesOfDifferentApplications) {
    makeBundle(system("/Applications"), QStringLiteral("z.app"), minimalInfo("test.zeta", "zeta"));
    makeBundle(system("/System/Applications"), QStringLiteral("a.app"), minimalInfo("test.alpha", "Alpha"));
    makeBundle(homeApplications(), QStringLiteral("b.app"), minimalInfo("test.beta", "beta"));
    makeBundle(system("/System/Applications/Utilities"), QStringLiteral("n1.app"),
               minimalInfo("test.notes1", "Notes"));
    makeBundle(system("/Applications/Utilities"), QStringLiteral("n2.app"),
               minimalInfo("test.notes2", "Notes"));

    EXPECT_EQ(namesFound(), QStringList({"Alpha", "beta", "Notes", "Notes", "zeta"}));
}

TEST_F(AppDiscoveryTest, SortsInTheAlphabetOfTheInterfaceLanguageWhateverTheProcessLocale) {
    const QStringList names{"Alpha", "zeta", "Ґанок", "Дім", "Іра", "Їжак", "книга"};
    for (qsizetype i = 0; i < names.size(); ++i) {
        makeBundle(homeApplications(), names[i] + QStringLiteral(".app"),
                   minimalInfo(QStringLiteral("test.app%1").arg(i), names[i]));
    }
    // The process's locale stays C: its character-code order would put "Ґ" last and the Latin names first.
    interfaceLocale = QLocale(QStringLiteral("uk"));
    EXPECT_EQ(namesFound(), QStringList({"Ґанок", "Дім", "Іра", "Їжак", "книга", "Alpha", "zeta"}));

    // A Ukrainian system with an English interface: the English order, Latin letters first.
    testing::ScopedProcessLocale ukrainianSystem("uk_UA.UTF-8");
    ASSERT_TRUE(ukrainianSystem.isActive()) << "uk_UA.UTF-8 is not installed: run scripts/install-deps";
    interfaceLocale = QLocale(QStringLiteral("en"));
    const QStringList english = namesFound();
    ASSERT_EQ(english.size(), 7);
    EXPECT_EQ(english.mid(0, 4), QStringList({"Alpha", "zeta", "Ґанок", "Дім"}));
    EXPECT_EQ(english.back(), "книга");

    // The locale is asked for at every scan: a language switched meanwhile applies to the next one.
    std::optional<QList<AppItem>> queued;
    discovery.discoverApps([&queued](QList<AppItem> apps) { queued = std::move(apps); });
    interfaceLocale = QLocale(QStringLiteral("uk"));
    time.runDue();
    ASSERT_TRUE(queued && !queued->isEmpty());
    EXPECT_EQ(queued->front().name, "Alpha") << "the language of the moment of the call";
    EXPECT_EQ(namesFound().front(), "Ґанок");
}

TEST_F(AppDiscoveryTest, MissingDirectoriesAreSkippedAndTheOthersStillScanned) {
    // No home "Applications" and no system "Applications": only the deeper system folders exist.
    makeBundle(system("/System/Applications/Utilities"), QStringLiteral("Console.app"),
               minimalInfo("test.console", "Console"));
    makeBundle(system("/System/Library/CoreServices/Applications"), QStringLiteral("Archive.app"),
               minimalInfo("test.archive", "Archive"));

    EXPECT_EQ(namesFound(), QStringList({"Archive", "Console"}));
}

TEST_F(AppDiscoveryTest, NoApplicationsGiveAnEmptyList) {
    EXPECT_TRUE(discovery.discoverAppsNowForTesting().isEmpty());
}

TEST_F(AppDiscoveryTest, EveryScanGivesFreshIdentitiesAndSeesChanges) {
    makeBundle(system("/Applications"), QStringLiteral("One.app"), minimalInfo("test.one", "One"));
    const QList<AppItem> first = discovery.discoverAppsNowForTesting();
    makeBundle(system("/Applications"), QStringLiteral("Two.app"), minimalInfo("test.two", "Two"));
    const QList<AppItem> second = discovery.discoverAppsNowForTesting();

    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(second.size(), 2);
    EXPECT_EQ(second[0].bundleID, first[0].bundleID);
    EXPECT_NE(second[0].id, first[0].id);
    EXPECT_NE(second[0].id, second[1].id);
}

/// The desktop's entries as a test lays them out, recording the languages they were asked for in.
class FixedDesktopApplications final : public DesktopApplications {
public:
    QList<DesktopApplication> applications(const QString& language) const override {
        languages.append(language);
        return entries;
    }

    QList<DesktopApplication> entries;
    mutable QStringList languages;
};

class AppDiscoveryWithDesktopEntriesTest : public AppDiscoveryTest {
protected:
    AppDiscoveryWithDesktopEntriesTest() { discovery.setSystemRootForTesting(system({})); }

    FixedDesktopApplications desktop;
    AppDiscovery discovery{home(), time, [this] { return interfaceLocale; }, &desktop};
};

TEST_F(AppDiscoveryWithDesktopEntriesTest, EntriesJoinTheBundlesInOneSortAndABundleKeepsItsIdentifier) {
    const QString mail = makeBundle(system("/Applications"), QStringLiteral("Mail.app"),
                                    minimalInfo("org.example.Mail", "Mail"));
    makeBundle(homeApplications(), QStringLiteral("Zeta.app"), minimalInfo("test.zeta", "zeta"));
    desktop.entries = {
        {"org.example.Mail", "A Mail entry", "/usr/share/applications/org.example.Mail.desktop"},
        {"vendor-editor", "editor", "/usr/share/applications/vendor/editor.desktop"},
        {"terminal", "Terminal", "/home/me/.local/share/applications/terminal.desktop"}};

    const QList<AppItem> first = discovery.discoverAppsNowForTesting();
    const QList<AppItem> second = discovery.discoverAppsNowForTesting();

    ASSERT_EQ(first.size(), 4);
    EXPECT_EQ(first[0].name, "editor");
    EXPECT_EQ(first[0].bundleID, "vendor-editor");
    EXPECT_EQ(first[0].appURL, QUrl("file:///usr/share/applications/vendor/editor.desktop"));
    EXPECT_EQ(first[1].name, "Mail");
    EXPECT_EQ(first[1].appURL, QUrl::fromLocalFile(mail + QLatin1Char('/')));
    EXPECT_EQ(first[2].name, "Terminal");
    EXPECT_EQ(first[3].name, "zeta");
    ASSERT_EQ(second.size(), 4);
    EXPECT_NE(first[0].id, second[0].id) << "every scan gives entries fresh identities too";
    EXPECT_NE(first[0].id, first[2].id);
}

TEST_F(AppDiscoveryWithDesktopEntriesTest, EntriesAreNamedInTheInterfaceLanguageOfEachScan) {
    desktop.entries = {{"files", "Файли", "/usr/share/applications/files.desktop"}};

    interfaceLocale = QLocale(QStringLiteral("uk"));
    (void)discovery.discoverAppsNowForTesting();
    interfaceLocale = QLocale(QStringLiteral("en"));
    std::optional<QList<AppItem>> queued;
    discovery.discoverApps([&queued](QList<AppItem> apps) { queued = std::move(apps); });
    // The entries are read when the queued scan runs, in the language of the moment of the call.
    interfaceLocale = QLocale(QStringLiteral("uk"));
    EXPECT_EQ(desktop.languages, QStringList({"uk"}));
    time.runDue();
    interfaceLocale = QLocale::c();
    (void)discovery.discoverAppsNowForTesting();

    EXPECT_EQ(desktop.languages, QStringList({"uk", "en", ""}));
    ASSERT_TRUE(queued && queued->size() == 1);
    EXPECT_EQ(queued->front().bundleID, "files");
}

TEST_F(AppDiscoveryTest, DiscoverAppsCompletesOnTheMainQueueAfterTheCurrentEvent) {
    makeBundle(system("/Applications"), QStringLiteral("One.app"), minimalInfo("test.one", "One"));
    std::optional<QList<AppItem>> result;

    discovery.discoverApps([&result](QList<AppItem> apps) { result = std::move(apps); });
    // A bundle added before the queued scan runs is seen by it: the scan itself is queued.
    makeBundle(system("/Applications"), QStringLiteral("Two.app"), minimalInfo("test.two", "Two"));

    EXPECT_FALSE(result.has_value());
    time.runDue();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->size(), 2);
}

} // namespace
} // namespace tessly
