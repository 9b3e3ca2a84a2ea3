// The stand-in Dock's preferences on a real file: what it reads, and keep and remove written so that the
// program's own reading of "persistent-apps" finds them, in the file's format, leaving other entries alone.
#include "dock_settings.h"

#include "helpers/helper_manager.h"
#include "platform/linux/preferences_domain_linux.h"
#include "support/recording_console.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace tessly::dock {
namespace testing = ::tessly::testing;
namespace {

const QString kDockFile = QStringLiteral("Library/Preferences/com.apple.dock.plist");

class DockSettingsTest : public ::testing::Test {
protected:
    /// A bundle directory under the home (a directory with Contents/Info.plist).
    QString makeBundle(const QString& relative) {
        home.write(
            relative + QStringLiteral("/Contents/Info.plist"),
            writePropertyList(PlistValue(PlistDictionary{{"CFBundleExecutable", "x"}}), PlistFormat::Xml));
        return canonicalPath(home.path() + QLatin1Char('/') + relative);
    }
    void writeDockFile(const PlistDictionary& root, PlistFormat format) {
        home.write(kDockFile, writePropertyList(PlistValue(root), format));
    }
    [[nodiscard]] ParsedPropertyList readDockFile() const {
        return readPropertyListFile(home.path() + QLatin1Char('/') + kDockFile).value();
    }
    [[nodiscard]] QStringList pathsTheProgramReads() const {
        QStringList paths;
        const ParsedPropertyList file = readDockFile();
        const PlistValue* apps = file.root.asDictionary()->find("persistent-apps");
        for (const PlistValue& entry : *apps->asArray()) {
            paths.append(HelperManager::tilePath(entry).value_or(QStringLiteral("<none>")));
        }
        return paths;
    }

    testing::TempHome home;
    testing::RecordingConsole console;
    PlistFilePreferencesDomain domain{home.paths(), QStringLiteral("com.apple.dock"), console};
};

TEST_F(DockSettingsTest, ReadsItsValuesAndTakesDefaultsForMissingOrIllTypedOnes) {
    writeDockFile({{"orientation", "left"}, {"tilesize", 36.0}, {"largesize", 80}, {"magnification", 1}},
                  PlistFormat::Binary);
    const DockSettings settings = readDockSettings(domain);
    EXPECT_EQ(settings.orientation, DockOrientation::left);
    EXPECT_DOUBLE_EQ(settings.tileSize, 36);
    EXPECT_DOUBLE_EQ(settings.largeSize, 80);
    EXPECT_TRUE(settings.magnification);

    writeDockFile({{"orientation", 3},
                   {"tilesize", "big"},
                   {"largesize", -5},
                   {"magnification", "yes"},
                   {"persistent-apps", "none"}},
                  PlistFormat::Xml);
    const DockSettings fallback = readDockSettings(domain);
    EXPECT_EQ(fallback.orientation, DockOrientation::bottom);
    EXPECT_DOUBLE_EQ(fallback.tileSize, kDefaultTileSize);
    EXPECT_DOUBLE_EQ(fallback.largeSize, kDefaultLargeSize);
    EXPECT_FALSE(fallback.magnification);
    EXPECT_TRUE(fallback.persistentApps.empty());
}

TEST_F(DockSettingsTest, AnUnreadableFileReadsAsDefaults) {
    home.write(kDockFile, QByteArray("bplist00\xff\xff garbage", 18));
    const DockSettings settings = readDockSettings(domain);
    EXPECT_DOUBLE_EQ(settings.tileSize, kDefaultTileSize);
    EXPECT_TRUE(settings.persistentApps.empty());
}

TEST_F(DockSettingsTest, KeptBundlesLeaveOutWhatIsNotABundleAndResolveLinks) {
    const QString mail = makeBundle("Applications/Mail Two.app");
    home.write("Documents/notes.txt", "x");
    QFile::link(mail, home.path() + "/Link.app");
    const PlistArray entries{
        makePersistentAppEntry(mail),
        PlistValue("not a dictionary"),
        PlistValue(PlistDictionary{
            {"tile-data",
             PlistDictionary{{"file-data", PlistDictionary{{"_CFURLString", "https://example.invalid/"},
                                                           {"_CFURLStringType", 15}}}}}}),
        makePersistentAppEntry(home.path() + "/Documents/notes.txt"),
        makePersistentAppEntry(home.path() + "/Applications/Gone.app"),
        makePersistentAppEntry(home.path() + "/Link.app"),
    };
    EXPECT_EQ(keptBundlePaths(entries), QStringList{mail});
}

TEST_F(DockSettingsTest, KeepWritesAnEntryTheProgramReadsInTheFilesFormat) {
    const QString mail = makeBundle("Applications/Mail Two.app");
    const QString other = makeBundle("Applications/Other.app");
    PlistDictionary foreign{{"tile-data", PlistDictionary{{"file-label", "Web"}}}, {"tile-type", "url-tile"}};
    writeDockFile({{"tilesize", 48}, {"persistent-apps", PlistArray{makePersistentAppEntry(other), foreign}}},
                  PlistFormat::Binary);

    const auto kept = withBundleKept(readDockSettings(domain).persistentApps, mail);
    ASSERT_TRUE(kept);
    domain.setValue("persistent-apps", PlistValue(*kept));

    const ParsedPropertyList file = readDockFile();
    EXPECT_EQ(file.format, PlistFormat::Binary);
    EXPECT_EQ(pathsTheProgramReads(), QStringList({other, "<none>", mail}));
    EXPECT_EQ(file.root.asDictionary()->find("persistent-apps")->asArray()->at(1), PlistValue(foreign));
    const PlistValue& entry = file.root.asDictionary()->find("persistent-apps")->asArray()->at(2);
    const PlistDictionary& tileData = *entry.asDictionary()->find("tile-data")->asDictionary();
    EXPECT_EQ(*tileData.find("file-label")->asString(), "Mail Two");
    const QString url = *tileData.find("file-data")->asDictionary()->find("_CFURLString")->asString();
    EXPECT_TRUE(url.startsWith("file://localhost/")) << url.toStdString();
    EXPECT_TRUE(url.endsWith("Mail%20Two.app/")) << url.toStdString();
    EXPECT_EQ(readDockSettings(domain).tileSize, 48) << "other keys stay";

    EXPECT_FALSE(withBundleKept(readDockSettings(domain).persistentApps, mail)) << "kept once only";
}

TEST_F(DockSettingsTest, RemoveDropsEveryEntryOfTheBundleByCanonicalPathAndNothingElse) {
    const QString mail = makeBundle("Applications/Mail.app");
    const QString other = makeBundle("Applications/Other.app");
    QFile::link(home.path() + "/Applications", home.path() + "/Apps");
    writeDockFile({{"persistent-apps",
                    PlistArray{makePersistentAppEntry(mail), PlistValue(7), makePersistentAppEntry(other),
                               makePersistentAppEntry(home.path() + "/Apps/Mail.app")}}},
                  PlistFormat::Xml);

    const auto removed = withBundleRemoved(readDockSettings(domain).persistentApps, mail);
    ASSERT_TRUE(removed);
    domain.setValue("persistent-apps", PlistValue(*removed));
    EXPECT_EQ(readDockFile().format, PlistFormat::Xml);
    EXPECT_EQ(pathsTheProgramReads(), QStringList({"<none>", other}));
    EXPECT_FALSE(withBundleRemoved(readDockSettings(domain).persistentApps, mail))
        << "nothing left to remove";
}

} // namespace
} // namespace tessly::dock
