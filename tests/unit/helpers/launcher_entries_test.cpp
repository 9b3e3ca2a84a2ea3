#include "helpers/launcher_entries.h"

#include "model/uuid_text.h"
#include "support/without_permission_override.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tessly::testing {
namespace {

const QString kBundleIdentifier = QStringLiteral("app.tessly.Tessly");

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

/// The file's inode: a file written again through a rename is another one.
ino_t inode(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

QStringList lines(const QByteArray& text) {
    return QString::fromUtf8(text).split(QLatin1Char('\n'));
}

class LauncherEntriesTest : public ::testing::Test {
protected:
    [[nodiscard]] QString applications() const { return root.path() + "/share/applications"; }
    [[nodiscard]] QString resources() const { return helper + "/Contents/Resources"; }
    [[nodiscard]] QString entry() const { return entries.entryPath(folder.id); }
    [[nodiscard]] QStringList icons() const {
        return QDir(resources()).entryList({"launcher-*"}, QDir::AllEntries | QDir::System);
    }
    std::optional<QString> writeEntry(const QByteArray& png) {
        return entries.write(folder, helper, executable, png);
    }

    QTemporaryDir root;
    QString helper = root.path() + "/Helpers/Work.app";
    QString executable = helper + "/Contents/MacOS/Tessly";
    AppFolder folder = makeFolder();
    LauncherEntries entries{applications(), kBundleIdentifier};

private:
    static AppFolder makeFolder() {
        AppFolder made;
        made.id = *parseUuid(u"3F2504E0-4F89-41D3-9A0C-0305E82C3301");
        made.name = "Work";
        return made;
    }
};

TEST_F(LauncherEntriesTest, TheEntryIsNamedByTheFolderIdentifierWhateverTheFolderIsCalled) {
    folder.name = "../../../evil/x.desktop";
    ASSERT_FALSE(writeEntry("png"));
    const QString id = "app.tessly.Tessly.folder-3F2504E0-4F89-41D3-9A0C-0305E82C3301";
    EXPECT_EQ(entry(), applications() + "/" + id + ".desktop");
    EXPECT_EQ(QDir(applications()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{id + ".desktop"});
    EXPECT_FALSE(QFileInfo::exists(root.path() + "/evil"));

    const QString hash = QCryptographicHash::hash("png", QCryptographicHash::Sha256).toHex().left(16);
    const QString icon = resources() + "/launcher-" + hash + ".png";
    EXPECT_EQ(read(icon), "png");
    const QStringList text = lines(read(entry()));
    EXPECT_EQ(text.first(), "[Desktop Entry]");
    for (const QString& line : QStringList{"Type=Application", "Icon=" + icon, "Exec=\"" + executable + "\"",
                                           "StartupWMClass=" + id, "NoDisplay=true", "Terminal=false",
                                           "X-Tessly-Folder=3F2504E0-4F89-41D3-9A0C-0305E82C3301"}) {
        EXPECT_TRUE(text.contains(line)) << line.toStdString();
    }
    EXPECT_EQ(entries.folderIdsWithEntries(), QList<QUuid>{folder.id});
}

TEST(LauncherEntryText, NamesAndPathsAreEscapedToReadBackAsTheyWere) {
    LauncherEntryContent content;
    content.name = QString::fromUtf8(" Back\\slash\nnext\u200F line\t ");
    content.executablePath = R"(/h/a "b" $c `d` e\f)";
    content.iconPath = "/h/new\nline\\x.png";
    QStringList text = lines(launcherEntryText(content));
    // Shown as the program shows the name (line breaks as spaces, no direction marks), a space at either end
    // written as "\s" so that no reader trims it (nor, then, any space before it).
    EXPECT_TRUE(text.contains(R"(Name=\sBack\\slash next line \s)")) << text.join('\n').toStdString();
    // In quotes, `"` ` $ \ escaped once; then every backslash doubled by the string rules.
    EXPECT_TRUE(text.contains(R"(Exec="/h/a \\"b\\" \\$c \\`d\\` e\\\\f")")) << text.join('\n').toStdString();
    EXPECT_TRUE(text.contains(R"(Icon=/h/new\nline\\x.png)")) << text.join('\n').toStdString();

    // A '%' is doubled; and the program is started through env, whose path GLib can look up.
    content.executablePath = "/h/100% %f/Tessly";
    text = lines(launcherEntryText(content));
    EXPECT_TRUE(text.contains(R"(Exec=/usr/bin/env "/h/100%% %%f/Tessly")")) << text.join('\n').toStdString();
}

TEST_F(LauncherEntriesTest, ANewTileGetsANewIconFileAndTheOldOnesGo) {
    write(resources() + "/launcher-0123456789abcdef.png", "left by an earlier version");
    write(resources() + "/Tessly.png", "the bundle's own icon");
    ASSERT_FALSE(writeEntry("first tile"));
    const QString first = LauncherEntries::iconPath(helper, "first tile");
    EXPECT_EQ(icons(), QStringList{QFileInfo(first).fileName()});

    ASSERT_FALSE(writeEntry("second tile"));
    const QString second = LauncherEntries::iconPath(helper, "second tile");
    EXPECT_NE(first, second);
    EXPECT_EQ(icons(), QStringList{QFileInfo(second).fileName()});
    EXPECT_EQ(read(second), "second tile");
    EXPECT_TRUE(lines(read(entry())).contains("Icon=" + second));
    EXPECT_EQ(read(resources() + "/Tessly.png"), "the bundle's own icon");
}

TEST_F(LauncherEntriesTest, WhatIsAlreadyAsItShouldBeIsNotWrittenAgain) {
    ASSERT_FALSE(writeEntry("tile"));
    const QString icon = LauncherEntries::iconPath(helper, "tile");
    const ino_t entryBefore = inode(entry());
    const ino_t iconBefore = inode(icon);
    ASSERT_NE(entryBefore, 0u);

    ASSERT_FALSE(writeEntry("tile"));
    EXPECT_EQ(inode(entry()), entryBefore);
    EXPECT_EQ(inode(icon), iconBefore);

    folder.name = "Play";
    ASSERT_FALSE(writeEntry("tile"));
    EXPECT_NE(inode(entry()), entryBefore) << "a new name is written";
    EXPECT_EQ(inode(icon), iconBefore) << "the same tile is not";

    // An icon changed behind Tessly's back is put right.
    write(icon, "damaged");
    ASSERT_FALSE(writeEntry("tile"));
    EXPECT_EQ(read(icon), "tile");
}

TEST_F(LauncherEntriesTest, AFailedWriteLeavesThePreviousEntryAndIcon) {
    ASSERT_FALSE(writeEntry("old tile"));
    const QByteArray before = read(entry());
    const QString oldIcon = LauncherEntries::iconPath(helper, "old tile");
    ASSERT_TRUE(QFile::setPermissions(applications(), QFile::ReadOwner | QFile::ExeOwner));
    std::optional<QString> failure;
    {
        const WithoutPermissionOverride heldToPermissions;
        if (QFile probe(applications() + "/probe"); probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            GTEST_SKIP() << "this process writes to folders whatever their permissions";
        }
        folder.name = "Renamed";
        failure = writeEntry("new tile");
    }
    QFile::setPermissions(applications(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->startsWith(entry() + ": ")) << failure->toStdString();
    EXPECT_EQ(read(entry()), before);
    EXPECT_EQ(icons(), QStringList{QFileInfo(oldIcon).fileName()}) << "the new icon is taken back";
}

TEST_F(LauncherEntriesTest, PlantedLinksLeadNoWriteOutOfTesslysFolders) {
    const QString outside = root.path() + "/outside";
    write(outside + "/file", "someone else's");
    QDir().mkpath(applications());
    ASSERT_TRUE(QFile::link(outside + "/file", entry()));
    ASSERT_FALSE(writeEntry("tile"));
    EXPECT_FALSE(QFileInfo(entry()).isSymLink());
    EXPECT_TRUE(read(entry()).startsWith("[Desktop Entry]"));
    EXPECT_EQ(read(outside + "/file"), "someone else's");

    // A bundle whose resources lead elsewhere gets no icon, and its entry is not touched.
    const QString other = root.path() + "/Helpers/Other.app";
    QDir().mkpath(other + "/Contents");
    ASSERT_TRUE(QFile::link(outside, other + "/Contents/Resources"));
    const QByteArray before = read(entry());
    const auto failure = entries.write(folder, other, other + "/Contents/MacOS/Tessly", "other tile");
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->startsWith(other + "/Contents/Resources: ")) << failure->toStdString();
    EXPECT_EQ(QDir(outside).entryList(QDir::Files), QStringList{"file"});
    EXPECT_EQ(read(entry()), before);
}

TEST_F(LauncherEntriesTest, RemovingTakesTheEntryAndTheIconsOfABundleThatStays) {
    write(resources() + "/Tessly.png", "the bundle's own icon");
    ASSERT_FALSE(writeEntry("tile"));
    entries.remove(folder.id);
    EXPECT_FALSE(QFileInfo::exists(entry()));
    EXPECT_EQ(icons().size(), 1) << "the bundle was said to be gone";

    ASSERT_FALSE(writeEntry("tile"));
    entries.remove(folder.id, helper);
    EXPECT_FALSE(QFileInfo::exists(entry()));
    EXPECT_TRUE(icons().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(resources() + "/Tessly.png"));
    EXPECT_TRUE(entries.folderIdsWithEntries().isEmpty());
}

TEST_F(LauncherEntriesTest, OnlyTesslysOwnEntriesCountAsFoldersWithEntries) {
    ASSERT_FALSE(writeEntry("tile"));
    const auto planted = [&](const QString& uuid, const QByteArray& text) {
        write(applications() + "/app.tessly.Tessly.folder-" + uuid + ".desktop", text);
    };
    const QByteArray ownedBy = "[Desktop Entry]\nType=Application\nX-Tessly-Folder = ";
    // Written by hand, the key in lower case: still the folder's.
    planted("11111111-1111-1111-1111-11111111111A", ownedBy + "11111111-1111-1111-1111-11111111111a\n");
    // Another folder's key, another case of the name, the key in another group, no key, not a UUID.
    planted("22222222-2222-2222-2222-222222222222", ownedBy + "33333333-3333-3333-3333-333333333333\n");
    planted("44444444-4444-4444-4444-44444444444a", ownedBy + "44444444-4444-4444-4444-44444444444A\n");
    planted(
        "55555555-5555-5555-5555-555555555555",
        "[Desktop Entry]\nType=Application\n[Other]\nX-Tessly-Folder=55555555-5555-5555-5555-555555555555\n");
    planted("66666666-6666-6666-6666-666666666666", "[Desktop Entry]\nType=Application\n");
    planted("not-a-uuid", ownedBy + "not-a-uuid\n");
    write(applications() + "/other.desktop", ownedBy + "77777777-7777-7777-7777-777777777777\n");
    // A link to an entry that would count, and a folder in an entry's place.
    write(root.path() + "/elsewhere.desktop", ownedBy + "88888888-8888-8888-8888-888888888888\n");
    ASSERT_TRUE(QFile::link(root.path() + "/elsewhere.desktop",
                            applications() +
                                "/app.tessly.Tessly.folder-88888888-8888-8888-8888-888888888888.desktop"));
    QDir().mkpath(applications() + "/app.tessly.Tessly.folder-99999999-9999-9999-9999-999999999999.desktop");

    EXPECT_EQ(entries.folderIdsWithEntries(),
              (QList<QUuid>{*parseUuid(u"11111111-1111-1111-1111-11111111111A"), folder.id}));
}

} // namespace
} // namespace tessly::testing
