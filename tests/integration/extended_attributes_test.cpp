// Extended attributes on a real file system: "user." names set, listed and removed; a symbolic link is the
// link itself, so nothing done through it reaches the file it points at.
#include "platform/linux/extended_attributes_linux.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

namespace tessly {
namespace {

using testing::TempHome;

class LinuxExtendedAttributesTest : public ::testing::Test {
protected:
    void SetUp() override {
        file = home.write("Helper.app/Contents/Info.plist", "<plist/>");
        if (!attributes.set(file, "user.probe", "1")) {
            GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
        }
        attributes.remove(file, "user.probe");
    }
    QStringList sortedList(const QString& path) const {
        QStringList names = attributes.list(path);
        names.sort();
        return names;
    }

    TempHome home;
    LinuxExtendedAttributes attributes;
    QString file;
};

TEST_F(LinuxExtendedAttributesTest, UserAttributesAreListedAndRemovedOnFilesAndFolders) {
    const QString folder = home.path() + "/Helper.app";
    EXPECT_TRUE(attributes.list(file).isEmpty());
    ASSERT_TRUE(attributes.set(file, "user.com.apple.FinderInfo", QByteArray(32, '\0')));
    ASSERT_TRUE(attributes.set(file, "user.tessly.ünïcode", "value"));
    ASSERT_TRUE(attributes.set(folder, "user.icon", "x"));
    EXPECT_EQ(sortedList(file), (QStringList{"user.com.apple.FinderInfo", "user.tessly.ünïcode"}));
    EXPECT_EQ(sortedList(folder), QStringList{"user.icon"});

    EXPECT_TRUE(attributes.remove(file, "user.tessly.ünïcode"));
    EXPECT_FALSE(attributes.remove(file, "user.tessly.ünïcode")) << "already gone";
    EXPECT_EQ(sortedList(file), QStringList{"user.com.apple.FinderInfo"});
    if (::geteuid() != 0) {
        EXPECT_FALSE(attributes.set(file, "trusted.x", "1"))
            << "only user names are open to an unprivileged user";
    }
}

TEST_F(LinuxExtendedAttributesTest, ALinkIsNeverFollowed) {
    const QString target = home.write("outside.txt", "keep");
    ASSERT_TRUE(attributes.set(target, "user.outside", "1"));
    const QString link = home.path() + "/Helper.app/Contents/link";
    ASSERT_TRUE(QFile::link(target, link));

    EXPECT_FALSE(attributes.list(link).contains("user.outside"));
    EXPECT_FALSE(attributes.remove(link, "user.outside"));
    EXPECT_FALSE(attributes.set(link, "user.added", "1"));
    EXPECT_EQ(sortedList(target), QStringList{"user.outside"}) << "the file behind the link is untouched";
}

TEST_F(LinuxExtendedAttributesTest, MissingPathsAndMalformedNamesChangeNothing) {
    const QString missing = home.path() + "/missing";
    EXPECT_TRUE(attributes.list(missing).isEmpty());
    EXPECT_FALSE(attributes.remove(missing, "user.a"));
    EXPECT_FALSE(attributes.set(missing, "user.a", "1"));

    ASSERT_TRUE(attributes.set(file, "user.a", "1"));
    const QString withNul = QString("user.a") + QChar(0) + "b";
    EXPECT_FALSE(attributes.remove(file, withNul)) << "the NUL would have cut the name to user.a";
    EXPECT_FALSE(attributes.set(file, withNul, "2"));
    EXPECT_FALSE(attributes.remove(file, ""));
    EXPECT_EQ(sortedList(file), QStringList{"user.a"});
}

} // namespace
} // namespace tessly
