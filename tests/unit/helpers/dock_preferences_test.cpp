#include "helper_manager_fixture.h"

#include <QFile>

namespace tessly::testing {
namespace {

class DockPreferencesTest : public HelperManagerTest {
protected:
    void useDockFile(const char* fixture) {
        QDir().mkpath(home.path() + "/Library/Preferences");
        const QString target = home.path() + "/Library/Preferences/com.apple.dock.plist";
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(QString(TESSLY_DOCK_FIXTURES) + "/" + fixture, target)) << fixture;
    }
    static PlistValue entry(const QString& url, std::int64_t type, const QString& label = "App") {
        return PlistDictionary{
            {"GUID", 12345},
            {"tile-data", PlistDictionary{{"file-label", label},
                                          {"file-data", PlistDictionary{{"_CFURLString", url},
                                                                        {"_CFURLStringType", type}}}}},
            {"tile-type", "file-tile"}};
    }
};

TEST_F(DockPreferencesTest, SizesFromRealDockFiles) {
    useDockFile("xml-real-sizes.plist");
    EXPECT_EQ(manager.dockTileSize(), 53.0) << "a whole real number";
    EXPECT_EQ(manager.dockLargeSize(), 128.0);
    useDockFile("binary-integer-tilesize.plist");
    EXPECT_EQ(manager.dockTileSize(), 35.0);
    useDockFile("binary-integer-largesize.plist");
    EXPECT_EQ(manager.dockLargeSize(), 72.0);
    EXPECT_FALSE(manager.dockMagnification());
    useDockFile("binary-no-tilesize.plist");
    EXPECT_FALSE(manager.dockTileSize());
    useDockFile("xml-handwritten.plist");
    EXPECT_FALSE(manager.dockMagnification()) << "integer 0";
}

TEST_F(DockPreferencesTest, TheDomainComesFirstAndFractionsCountAsAbsent) {
    useDockFile("binary-integer-tilesize.plist");
    dock.values.set("tilesize", 48.0);
    EXPECT_EQ(manager.dockTileSize(), 48.0);
    dock.values.set("tilesize", 47.5);
    EXPECT_EQ(manager.dockTileSize(), 35.0) << "the domain's fraction is skipped, the file's integer read";
    EXPECT_GT(dock.synchronizations, 0);

    dock.values.set("magnification", std::int64_t{1});
    EXPECT_TRUE(manager.dockMagnification());
    dock.values.set("magnification", std::int64_t{0});
    EXPECT_FALSE(manager.dockMagnification());
    dock.values.remove("magnification");
    EXPECT_FALSE(manager.dockMagnification()) << "absent everywhere";
}

TEST_F(DockPreferencesTest, PinnedPathsFromRealDockFiles) {
    useDockFile("binary-spacers.plist");
    const QSet<QString> paths = manager.persistentAppPathsFromFile();
    EXPECT_TRUE(paths.contains("/System/Applications/Mail.app")) << "no trailing slash";
    for (const QString& path : paths) {
        EXPECT_FALSE(path.endsWith('/'));
    }
    useDockFile("xml-real-sizes.plist");
    bool decoded = false;
    for (const QString& path : manager.persistentAppPathsFromFile()) {
        decoded |= path.contains(' ');
        EXPECT_FALSE(path.contains("%20")) << path.toStdString();
    }
    EXPECT_TRUE(decoded) << "percent-escapes decoded";
    useDockFile("binary-no-url-string.plist");
    EXPECT_FALSE(manager.persistentAppPathsFromFile().isEmpty()) << "the entry without a URL text is skipped";
}

TEST_F(DockPreferencesTest, TilePathForms) {
    const QString support = home.path() + "/Library/Application Support/Tessly/Helpers/My Work.app";
    EXPECT_EQ(
        HelperManager::tilePath(entry(QUrl::fromLocalFile(support + "/").toString(QUrl::FullyEncoded), 15)),
        support);
    EXPECT_EQ(HelperManager::tilePath(entry("relative/Thing.app/", 0)), "relative/Thing.app")
        << "type 0 is trusted";
    EXPECT_FALSE(HelperManager::tilePath(entry("relative/Thing.app/", 15)));
    EXPECT_EQ(HelperManager::tilePath(entry("/Applications//X.app/", 15)), "/Applications/X.app");
    EXPECT_FALSE(HelperManager::tilePath(entry("https://example.com/", 15)));
    EXPECT_FALSE(HelperManager::tilePath(PlistDictionary{{"tile-data", PlistDictionary{}}}));
    EXPECT_FALSE(HelperManager::tilePath(PlistValue("not a dictionary")));
}

TEST_F(DockPreferencesTest, NonDictionaryEntriesAreDropped) {
    dock.values.set("persistent-apps",
                    PlistArray{entry("file:///A.app/", 15), PlistValue(5), entry("file:///B.app/", 15)});
    const auto apps = manager.persistentApps();
    ASSERT_TRUE(apps);
    EXPECT_EQ(apps->size(), 2u);
}

TEST_F(DockPreferencesTest, RemoveDockTileRemovesOnlyThisFoldersHelperEntries) {
    const AppFolder work = folder("Work");
    const QString helper = *manager.buildHelper(work);
    const QString helpers = manager.helpersDir();
    // Reached through a link to the helpers directory: recognised in canonical form.
    ASSERT_TRUE(QFile::link(helpers, home.path() + "/HelpersLink"));
    const PlistArray entries{
        entry("file:///Applications/Work.app/", 15, "Work"), // same label, not ours
        entry(QUrl::fromLocalFile(helper + "/").toString(QUrl::FullyEncoded), 15, "Work"), // the helper
        entry(home.path() + "/HelpersLink/Work.app", 0, "Renamed"),                        // through the link
        entry(QUrl::fromLocalFile(helpers + "/Deleted.app/").toString(QUrl::FullyEncoded), 15,
              "Work"), // stale, by label
        entry(QUrl::fromLocalFile(helpers + "/Other.app/").toString(QUrl::FullyEncoded), 15,
              "Other"), // another folder's
        PlistDictionary{{"tile-data", PlistDictionary{}}, {"tile-type", "spacer-tile"}},
    };
    dock.values.set("persistent-apps", entries);
    manager.removeDockTile(work);
    const PlistArray* kept = dock.values.find("persistent-apps")->asArray();
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->size(), 3u);
    EXPECT_EQ((*kept)[0], entries[0]) << "entries are unchanged, in order";
    EXPECT_EQ((*kept)[1], entries[4]);
    EXPECT_EQ((*kept)[2], entries[5]);
    EXPECT_EQ(postedNames(), QStringList({"com.apple.dock.prefchanged"}));

    dock.writes.clear();
    manager.removeDockTile(work);
    EXPECT_TRUE(dock.writes.isEmpty()) << "nothing matched: nothing written";
    EXPECT_EQ(postedNames().size(), 1) << "and nothing posted";
}

} // namespace
} // namespace tessly::testing
