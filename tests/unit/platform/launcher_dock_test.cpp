// Which dock a session uses: the stand-in Dock before Plank before the GNOME dash, and the dash only in a
// GNOME session that has the shell's schema.
#include "platform/launcher_dock.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

TEST(ChooseDockTest, DockOnTheBusComesBeforeTheDesktop) {
    EXPECT_EQ(chooseDock(true, true, "GNOME", true), DockKind::standIn);
    EXPECT_EQ(chooseDock(true, false, "", false), DockKind::standIn);
    EXPECT_EQ(chooseDock(false, true, "GNOME", true), DockKind::plank);
    EXPECT_EQ(chooseDock(false, true, "XFCE", false), DockKind::plank);
    EXPECT_EQ(chooseDock(false, false, "GNOME", true), DockKind::gnome);
}

TEST(ChooseDockTest, GnomeIsAnyElementOfTheDesktopListInAnyCase) {
    for (const char* desktop :
         {"GNOME", "gnome", "ubuntu:GNOME", "GNOME-Classic:GNOME", "GNOME:Other", "a::gnome"}) {
        EXPECT_EQ(chooseDock(false, false, desktop, true), DockKind::gnome) << desktop;
    }
    for (const char* desktop :
         {"", ":", "GNOME-Classic", "ubuntu", "XFCE:KDE", "GNOMEX", "xGNOME", "GNOME Flashback"}) {
        EXPECT_EQ(chooseDock(false, false, desktop, true), std::nullopt) << desktop;
    }
}

TEST(ChooseDockTest, GnomeSessionWithoutTheShellSchemaHasNoDock) {
    EXPECT_EQ(chooseDock(false, false, "ubuntu:GNOME", false), std::nullopt);
}

} // namespace
} // namespace tessly
