#include "platform/path_safety.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

TEST(PathSafety, APlainFileNameIsOneComponentOfAPath) {
    for (const QString name : {"Tessly", "app.tessly.Tessly", "A5.pinned", "dots..", "a b", "Тека"}) {
        EXPECT_TRUE(isPlainFileName(name)) << name.toStdString();
    }
    for (const QString name : {"", ".", "..", ".hidden", "a/b", "/", "../escape", "name/"}) {
        EXPECT_FALSE(isPlainFileName(name)) << name.toStdString();
    }
    EXPECT_FALSE(isPlainFileName(QString("evil") + QChar(u'\0') + "/../x")) << "a NUL, where C cuts the name";
}

TEST(PathSafety, InsideIsStrictlyBelowTheDirectoryItself) {
    EXPECT_TRUE(isInsideDirectory("/home/u/Tessly.app/Contents/Info.plist", "/home/u/Tessly.app"));
    EXPECT_TRUE(isInsideDirectory("/home/u/Tessly.app/Contents/Info.plist", "/home/u/Tessly.app/"));
    EXPECT_FALSE(isInsideDirectory("/home/u/Tessly.app", "/home/u/Tessly.app")) << "not inside itself";
    EXPECT_FALSE(isInsideDirectory("/home/u/Tessly.apple/x", "/home/u/Tessly.app"))
        << "a sibling sharing a prefix";
    EXPECT_FALSE(isInsideDirectory("/etc/passwd", "/home/u/Tessly.app"));
    EXPECT_FALSE(isInsideDirectory("", "/home/u")) << "a path that did not resolve";
    EXPECT_FALSE(isInsideDirectory("/etc/passwd", "")) << "a directory that did not resolve holds nothing";
    EXPECT_TRUE(isInsideDirectory("/etc/passwd", "/"));
    EXPECT_FALSE(isInsideDirectory("/", "/"));
}

} // namespace
} // namespace tessly
