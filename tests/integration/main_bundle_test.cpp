#include "platform/linux/main_bundle_linux.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

TEST(MainBundle, TheBuiltBundleCarriesItsIdentityAndStringTables) {
    const MainBundle bundle(TESSLY_BUNDLE_DIR, {});
    EXPECT_EQ(bundle.bundleIdentifier(), "app.tessly.Tessly");
    EXPECT_EQ(bundle.infoString("CFBundleName"), "Tessly");
    EXPECT_TRUE(bundle.infoString("CFBundleShortVersionString"));
    EXPECT_TRUE(bundle.infoString("CFBundleVersion"));
    EXPECT_EQ(bundle.infoString("CFBundleIconFile"), "AppIcon");
    EXPECT_EQ(bundle.executablePath(), QString(TESSLY_BUNDLE_DIR) + "/Contents/MacOS/Tessly");
    EXPECT_TRUE(bundle.pathForResource("en", "lproj"));
    EXPECT_TRUE(bundle.pathForResource("uk", "lproj"));
    EXPECT_TRUE(bundle.pathForResource("AppIcon", "png"));
    EXPECT_FALSE(bundle.pathForResource("fr", "lproj"));
    EXPECT_FALSE(bundle.pathForResource("..", "")) << "resources never reach outside the bundle";
    EXPECT_FALSE(bundle.pathForResource("../Info", "plist"));
}

TEST(MainBundle, TheEnclosingBundleOfAnExecutable) {
    EXPECT_EQ(enclosingBundlePath("/a/b/Work.app/Contents/MacOS/Tessly"), "/a/b/Work.app");
    EXPECT_FALSE(enclosingBundlePath("/usr/bin/Tessly"));
    EXPECT_FALSE(enclosingBundlePath("/a/Work/Contents/MacOS/Tessly"));
    EXPECT_FALSE(enclosingBundlePath("/a/Work.app/Contents/Tessly"));

    const MainBundle missing("/nonexistent/Nothing.app", {});
    EXPECT_FALSE(missing.bundleIdentifier());
    EXPECT_FALSE(missing.executablePath());
}

} // namespace
} // namespace tessly
