#include "platform/linux/main_bundle_linux.h"
#include "support/temp_home.h"

#include <QFile>

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

// Installed as a package installs it, the bundle is started by a command in the prefix's bin; the login item
// names that command, but only where it really starts this bundle.
TEST(MainBundle, TheInstalledCommandIsTheOneBesideTheBundleThatLeadsToItsExecutable) {
    testing::TempHome root;
    const QString executable = root.write("usr/lib/tessly/Tessly.app/Contents/MacOS/Tessly", "#!/bin/sh\n");
    const QString bundle = root.path() + "/usr/lib/tessly/Tessly.app";
    EXPECT_FALSE(installedCommandOf(bundle, executable)) << "no command installed";

    const QString command = root.path() + "/usr/bin/tessly";
    root.write("usr/bin/.keep", "");
    ASSERT_TRUE(QFile::link("../lib/tessly/Tessly.app/Contents/MacOS/Tessly", command));
    EXPECT_EQ(installedCommandOf(bundle, executable), command);

    // A copy of the bundle elsewhere (a helper, a build tree) is not what the command starts.
    const QString copy = root.write("home/Helpers/Tessly.app/Contents/MacOS/Tessly", "#!/bin/sh\n");
    EXPECT_FALSE(installedCommandOf(root.path() + "/home/Helpers/Tessly.app", copy));
    const QString other = root.write("opt/lib/tessly/Tessly.app/Contents/MacOS/Tessly", "#!/bin/sh\n");
    root.write("opt/bin/.keep", "");
    ASSERT_TRUE(QFile::link("/bin/true", root.path() + "/opt/bin/tessly"));
    EXPECT_FALSE(installedCommandOf(root.path() + "/opt/lib/tessly/Tessly.app", other))
        << "a command that starts something else";
}

} // namespace
} // namespace tessly
