// Where the plug-in host looks for a plug-in, and what it refuses before the dynamic loader sees it.
#include "dock_plugin_loading.h"

#include "platform/property_list.h"
#include "support/temp_home.h"

#include <QFile>

#include <gtest/gtest.h>

namespace tessly::dock {
namespace testing = ::tessly::testing;
namespace {

class DockPlugInLoadingTest : public ::testing::Test {
protected:
    void writeInfo(const QString& bundle, const PlistDictionary& info) {
        home.write(bundle + "/Contents/Info.plist", writePropertyList(PlistValue(info), PlistFormat::Xml));
    }
    /// An application naming plug-in "P.docktileplugin" whose executable is `executable` holding `bytes`.
    QString makeApplication(const QString& executable, const QByteArray& bytes) {
        writeInfo("A.app", {{"NSDockTilePlugIn", "P.docktileplugin"}});
        writeInfo("A.app/Contents/PlugIns/P.docktileplugin",
                  {{"CFBundleExecutable", executable}, {"NSPrincipalClass", "DockTileStatePlugin"}});
        home.write("A.app/Contents/PlugIns/P.docktileplugin/Contents/MacOS/" + executable, bytes);
        return home.path() + "/A.app";
    }

    testing::TempHome home;
};

/// The host's look-up, which takes the bundle's path in the file system's encoding.
PlugInLocation locatePlugIn(const QString& applicationBundlePath) {
    return dock::locatePlugIn(QFile::encodeName(applicationBundlePath).toStdString());
}

TEST_F(DockPlugInLoadingTest, AnApplicationWithoutAPlugInHasNone) {
    writeInfo("A.app", {{"CFBundleExecutable", "A"}});
    EXPECT_EQ(locatePlugIn(home.path() + "/A.app").status, PlugInStatus::none);
    EXPECT_EQ(locatePlugIn(home.path() + "/Missing.app").status, PlugInStatus::none);
}

TEST_F(DockPlugInLoadingTest, AnElfExecutableInsideThePlugInIsFound) {
    const QString application = makeApplication("P", QByteArray("\x7f"
                                                                "ELF rest",
                                                                8));
    const PlugInLocation location = locatePlugIn(application);
    ASSERT_EQ(location.status, PlugInStatus::found) << location.reason;
    EXPECT_TRUE(location.executable.ends_with("/Contents/PlugIns/P.docktileplugin/Contents/MacOS/P"));
    EXPECT_EQ(location.principalClass, "DockTileStatePlugin");
}

TEST_F(DockPlugInLoadingTest, WhatIsNotAPlugInOrLeavesItsBundleIsRefused) {
    EXPECT_EQ(locatePlugIn(makeApplication("P", "#!/bin/sh\necho not a library\n")).status,
              PlugInStatus::refused);
    EXPECT_EQ(locatePlugIn(makeApplication("../../../../x", "\x7f"
                                                            "ELF"))
                  .status,
              PlugInStatus::refused);

    // A link from inside the plug-in to a library elsewhere.
    home.write("elsewhere/lib.so", QByteArray("\x7f"
                                              "ELF",
                                              4));
    const QString application = makeApplication("L", "");
    const QString link = application + "/Contents/PlugIns/P.docktileplugin/Contents/MacOS/L";
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(home.path() + "/elsewhere/lib.so", link));
    EXPECT_EQ(locatePlugIn(application).status, PlugInStatus::refused);

    writeInfo("B.app", {{"NSDockTilePlugIn", "../A.app"}});
    EXPECT_EQ(locatePlugIn(home.path() + "/B.app").status, PlugInStatus::refused);
    writeInfo("C.app", {{"NSDockTilePlugIn", "Missing.docktileplugin"}});
    EXPECT_EQ(locatePlugIn(home.path() + "/C.app").status, PlugInStatus::refused);
}

} // namespace
} // namespace tessly::dock
