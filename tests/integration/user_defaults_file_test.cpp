#include "platform/linux/plist_file_user_defaults_linux.h"
#include "support/recording_console.h"
#include "support/temp_home.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tessly {
namespace {

using testing::RecordingConsole;
using testing::TempHome;

constexpr auto kDomain = "app.tessly.Tessly";

TEST(PlistFileUserDefaults, ValuesPersistInTheDomainFileAndKeepTheirTypes) {
    TempHome home;
    RecordingConsole console;
    {
        PlistFileUserDefaults defaults(home.paths(), kDomain, console);
        EXPECT_FALSE(defaults.hasObject("tileOpacity"));
        defaults.setDouble("tileOpacity", 1.0);
        defaults.setInteger("popupColumns", 4);
        defaults.setBool("showMenuBar", true);
        defaults.setString("language", "uk");
        defaults.setStringArray("AppleLanguages", {"uk"});
        defaults.setBool("gone", true);
        defaults.removeObject("gone");
        EXPECT_EQ(defaults.filePath(), home.path() + "/Library/Preferences/app.tessly.Tessly.plist");
    }
    const auto file = readPropertyListFile(home.path() + "/Library/Preferences/app.tessly.Tessly.plist");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->format, PlistFormat::Binary) << "a new file is binary, as the platform writes it";
    const PlistDictionary& values = *file->root.asDictionary();
    EXPECT_EQ(values.find("tileOpacity")->type(), PlistValue::Type::Real) << "1.0 is stored as a real";
    EXPECT_EQ(values.find("popupColumns")->type(), PlistValue::Type::Integer);
    EXPECT_EQ(values.find("showMenuBar")->type(), PlistValue::Type::Boolean);
    EXPECT_FALSE(values.contains("gone"));

    PlistFileUserDefaults again(home.paths(), kDomain, console);
    EXPECT_EQ(*again.stringForKey("language"), "uk");
    EXPECT_TRUE(console.lines.isEmpty());
}

TEST(PlistFileUserDefaults, AnotherWritersChangesAreSeenAndKept) {
    TempHome home;
    RecordingConsole console;
    PlistFileUserDefaults mainApp(home.paths(), kDomain, console);
    PlistFileUserDefaults helper(home.paths(), kDomain, console);
    mainApp.setBool("popupShowTitle", false);
    EXPECT_TRUE(helper.hasObject("popupShowTitle")) << "a read after another writer sees its value";
    helper.setInteger("popupColumns", 5);
    mainApp.setDouble("popupOpacity", 0.5);
    PlistFileUserDefaults reader(home.paths(), kDomain, console);
    EXPECT_FALSE(reader.boolForKey("popupShowTitle"));
    EXPECT_EQ(reader.integerForKey("popupColumns"), 5) << "the main application's later write kept it";
    EXPECT_DOUBLE_EQ(reader.doubleForKey("popupOpacity"), 0.5);
}

// The processes of the program share this file and write their settings again on every assignment: a write
// that changes nothing, or a removal of a key that is not there, leaves the file as it is.
TEST(PlistFileUserDefaults, AWriteThatChangesNothingLeavesTheFileInPlace) {
    TempHome home;
    RecordingConsole console;
    PlistFileUserDefaults mainApp(home.paths(), kDomain, console);
    PlistFileUserDefaults helper(home.paths(), kDomain, console);
    mainApp.setDouble("tileOpacity", 0.5);
    const auto inode = [&] {
        struct stat info {};
        return ::stat(QFile::encodeName(mainApp.filePath()).constData(), &info) == 0 ? info.st_ino : 0;
    };
    const ino_t written = inode();
    ASSERT_NE(written, 0U);
    helper.setDouble("tileOpacity", 0.5);
    mainApp.setDouble("tileOpacity", 0.5);
    helper.removeObject("group");
    EXPECT_EQ(inode(), written);
    helper.setDouble("tileOpacity", 0.25);
    EXPECT_NE(inode(), written) << "a change replaces the file";
}

TEST(PlistFileUserDefaults, AnXmlFileStaysXml) {
    TempHome home;
    RecordingConsole console;
    const QString path = home.write("Library/Preferences/app.tessly.Tessly.plist",
                                    writePropertyList(PlistDictionary{{"keep", 7}}, PlistFormat::Xml));
    PlistFileUserDefaults defaults(home.paths(), kDomain, console);
    defaults.setBool("hasCompletedOnboarding", true);
    const auto file = readPropertyListFile(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->format, PlistFormat::Xml);
    EXPECT_EQ(*file->root.asDictionary()->find("keep"), PlistValue(7));
}

TEST(PlistFileUserDefaults, ADamagedFileReadsEmptyAndIsKeptAsideBeforeTheFirstWrite) {
    TempHome home;
    RecordingConsole console;
    const QByteArray damaged = "bplist00 this is not what it claims";
    const QString path = home.write("Library/Preferences/app.tessly.Tessly.plist", damaged);
    PlistFileUserDefaults defaults(home.paths(), kDomain, console);
    EXPECT_FALSE(defaults.hasObject("language"));
    EXPECT_EQ(TempHome::read(path), damaged) << "reading changes nothing";

    defaults.setString("language", "en");
    const QStringList aside = QDir(home.path() + "/Library/Preferences").entryList({"*.damaged-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(TempHome::read(home.path() + "/Library/Preferences/" + aside.first()), damaged);
    EXPECT_EQ(*defaults.stringForKey("language"), "en");
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_TRUE(console.lines.first().contains(aside.first()));
}

// Something that is no regular file at the defaults' place (a pipe, a link to an endless device) reads as no
// values and is never replaced: the program cannot know what it stands for.
TEST(PlistFileUserDefaults, WhatIsNoRegularFileReadsEmptyAndIsNeverReplaced) {
    TempHome home;
    RecordingConsole console;
    const QString path = home.path() + "/Library/Preferences/app.tessly.Tessly.plist";
    QDir().mkpath(QFileInfo(path).absolutePath());
    for (const bool pipe : {true, false}) {
        QFile::remove(path);
        ASSERT_EQ(pipe ? ::mkfifo(QFile::encodeName(path).constData(), 0600)
                       : ::symlink("/dev/zero", QFile::encodeName(path).constData()),
                  0);
        PlistFileUserDefaults defaults(home.paths(), kDomain, console);
        EXPECT_FALSE(defaults.hasObject("language"));
        console.lines.clear();
        defaults.setString("language", "uk");
        EXPECT_EQ(console.countStartingWith("[UserDefaults] Failed to write \"language\""), 1);
        EXPECT_FALSE(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink());
        EXPECT_TRUE(QDir(QFileInfo(path).absolutePath()).entryList({"*.damaged-*"}).isEmpty());
    }
}

TEST(PlistFileUserDefaults, PersistentDomainOfAnotherApplication) {
    TempHome home;
    RecordingConsole console;
    home.write("Library/Preferences/com.example.other.plist",
               writePropertyList(PlistDictionary{{"hasCompletedOnboarding", 1}}, PlistFormat::Binary));
    PlistFileUserDefaults defaults(home.paths(), kDomain, console);
    const auto domain = defaults.persistentDomain("com.example.other");
    ASSERT_TRUE(domain);
    EXPECT_EQ(*domain->find("hasCompletedOnboarding"), PlistValue(1));
    EXPECT_FALSE(defaults.persistentDomain("com.example.absent"));
    EXPECT_FALSE(defaults.persistentDomain("../../etc/passwd")) << "a domain name is one file name";
}

TEST(PlistFileUserDefaults, TwoProcessesWritingAtOnceLoseNothing) {
    TempHome home;
    constexpr int kEach = 150;
    QProcess first;
    QProcess second;
    first.start(TESSLY_TEST_TOOL, {"write-defaults", home.path(), kDomain, "first.", QString::number(kEach)});
    second.start(TESSLY_TEST_TOOL,
                 {"write-defaults", home.path(), kDomain, "second.", QString::number(kEach)});
    ASSERT_TRUE(first.waitForFinished(60'000));
    ASSERT_TRUE(second.waitForFinished(60'000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardOutput().toStdString();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardOutput().toStdString();

    RecordingConsole console;
    PlistFileUserDefaults defaults(home.paths(), kDomain, console);
    int missing = 0;
    for (int i = 0; i < kEach; ++i) {
        missing += defaults.hasObject("first." + QString::number(i)) ? 0 : 1;
        missing += defaults.hasObject("second." + QString::number(i)) ? 0 : 1;
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(defaults.integerForKey("second.149"), 149);
}

} // namespace
} // namespace tessly
