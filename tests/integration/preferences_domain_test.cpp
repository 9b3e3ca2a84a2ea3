// Another application's preferences domain on real Dock preference files: the format stays as the Dock
// wrote it, the other keys and their types stay, synchronize() sees the Dock's own later writes, and a
// domain name cannot reach outside the preferences folder.
#include "adapter_test_support.h"
#include "platform/linux/preferences_domain_linux.h"
#include "support/recording_console.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::RecordingConsole;
using testing::TempHome;

constexpr auto kDock = "com.apple.dock";

class PlistFilePreferencesDomainTest : public ::testing::Test {
protected:
    /// Puts a fixture in place as the Dock's preferences; returns the file's path.
    QString installFixture(const QString& name) {
        QFile fixture(QString(TESSLY_SOURCE_DIR) + "/tests/fixtures/dock/" + name);
        EXPECT_TRUE(fixture.open(QIODevice::ReadOnly)) << name.toStdString();
        return home.write("Library/Preferences/com.apple.dock.plist", fixture.readAll());
    }
    static ParsedPropertyList readBack(const QString& path) {
        auto parsed = readPropertyListFile(path);
        EXPECT_TRUE(parsed && parsed->root.isDictionary());
        return parsed.value_or(ParsedPropertyList{});
    }

    TempHome home;
    RecordingConsole console;
};

TEST_F(PlistFilePreferencesDomainTest, ABinaryFileStaysBinaryWithItsOtherKeysAndTheirTypes) {
    const QString path = installFixture("binary-integer-largesize.plist");
    const PlistDictionary before = *readBack(path).root.asDictionary();
    PlistFilePreferencesDomain dock(home.paths(), kDock, console);
    dock.synchronize();
    EXPECT_EQ(dock.copyValue("largesize"), PlistValue(72)) << "an integer, not a real";
    EXPECT_EQ(dock.copyValue("tilesize"), PlistValue(41.0));
    EXPECT_EQ(dock.copyValue("magnification"), PlistValue(false));
    const std::optional<PlistValue> persistentApps = dock.copyValue("persistent-apps");
    const PlistArray* apps = persistentApps ? persistentApps->asArray() : nullptr;
    ASSERT_TRUE(apps && apps->size() > 1);

    const PlistArray kept(apps->begin() + 1, apps->end());
    dock.setValue("persistent-apps", PlistValue(kept));
    dock.synchronize();

    const ParsedPropertyList after = readBack(path);
    EXPECT_EQ(after.format, PlistFormat::Binary);
    for (const auto& [key, value] : before.entries()) {
        if (key != "persistent-apps") {
            EXPECT_EQ(*after.root.asDictionary()->find(key), value) << key.toStdString();
        }
    }
    EXPECT_EQ(*after.root.asDictionary()->find("persistent-apps"), PlistValue(kept));
    EXPECT_TRUE(console.lines.isEmpty());
}

TEST_F(PlistFilePreferencesDomainTest, AnXmlFileStaysXmlAndAnEmptyValueRemovesTheKey) {
    const QString path = installFixture("xml-handwritten.plist");
    PlistFilePreferencesDomain dock(home.paths(), kDock, console);
    EXPECT_EQ(dock.copyValue("magnification"), PlistValue(0));
    dock.setValue("magnification", std::nullopt);
    dock.setValue("tilesize", PlistValue(48.0));

    const ParsedPropertyList after = readBack(path);
    EXPECT_EQ(after.format, PlistFormat::Xml);
    EXPECT_FALSE(after.root.asDictionary()->contains("magnification"));
    EXPECT_EQ(*after.root.asDictionary()->find("tilesize"), PlistValue(48.0));
}

TEST_F(PlistFilePreferencesDomainTest, SynchronizeSeesWhatTheDockWroteAndAMissingFileReadsEmpty) {
    PlistFilePreferencesDomain dock(home.paths(), kDock, console);
    EXPECT_EQ(dock.copyValue("tilesize"), std::nullopt);

    const QString path = installFixture("binary-integer-tilesize.plist");
    dock.synchronize();
    EXPECT_EQ(dock.copyValue("tilesize"), PlistValue(35));

    // The Dock replaces its file with one of the same length.
    PlistDictionary values = *readBack(path).root.asDictionary();
    values.set("tilesize", 36);
    ASSERT_TRUE(writePropertyListFile(path, PlistValue(values), PlistFormat::Binary));
    dock.synchronize();
    EXPECT_EQ(dock.copyValue("tilesize"), PlistValue(36));
}

TEST_F(PlistFilePreferencesDomainTest, ADomainNameThatIsNotAFileNameIsRefusedAndTouchesNothing) {
    const QString preferences = home.path() + "/Library/Preferences";
    QDir().mkpath(preferences);
    for (const QString domain : {"../../outside", "", ".hidden", "com.apple.dock/../../x"}) {
        console.lines.clear();
        PlistFilePreferencesDomain hostile(home.paths(), domain, console);
        hostile.setValue("tilesize", PlistValue(48));
        hostile.synchronize();
        EXPECT_EQ(hostile.copyValue("tilesize"), std::nullopt);
        EXPECT_TRUE(hostile.filePath().isEmpty());
        ASSERT_EQ(console.lines.size(), 1) << domain.toStdString();
        EXPECT_TRUE(console.lines.front().startsWith("[Preferences] Refusing"))
            << console.lines.front().toStdString();
    }
    EXPECT_TRUE(QDir(preferences).isEmpty());
    EXPECT_EQ(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"Library"});
}

} // namespace
} // namespace tessly
