#include "platform/linux/login_item_service_linux.h"
#include "support/temp_home.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::TempHome;

TEST(XdgAutostartLoginItem, RegisterWritesAnEntryForTheExecutableAndUnregisterRemovesIt) {
    TempHome home;
    const QString executable = home.write("Apps/My $Apps/Tessly.app/Contents/MacOS/Tessly", "#!/bin/sh\n");
    QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    XdgAutostartLoginItemService loginItems(home.path(), "app.tessly.Tessly", "My Tessly", executable);

    EXPECT_EQ(loginItems.unregisterMainApplication(), std::nullopt) << "not registered is no error";
    EXPECT_EQ(loginItems.registerMainApplication(), std::nullopt);
    const QString entry = home.path() + "/.config/autostart/app.tessly.Tessly.desktop";
    ASSERT_EQ(loginItems.entryPath(), entry);
    const QString text = QString::fromUtf8(TempHome::read(entry));
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("Type=Application\n"));
    EXPECT_TRUE(text.contains("Name=My Tessly\n")) << "the name given, not the executable's";
    const QString quotedPath = QString(executable).replace("$", "\\\\$");
    EXPECT_TRUE(text.contains("Exec=\"" + quotedPath + "\"\n")) << text.toStdString();

    EXPECT_EQ(loginItems.registerMainApplication(), std::nullopt) << "registering twice is fine";
    EXPECT_EQ(loginItems.unregisterMainApplication(), std::nullopt);
    EXPECT_FALSE(QFileInfo::exists(entry));
}

TEST(XdgAutostartLoginItem, FailuresComeBackAsText) {
    TempHome home;
    XdgAutostartLoginItemService missing(home.path(), "app.tessly.Tessly", "Tessly",
                                         home.path() + "/nowhere/Tessly");
    const auto error = missing.registerMainApplication();
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->contains("nowhere"));

    home.write(".config/autostart", "a file where the folder should be");
    const QString executable = home.write("Tessly", "#!/bin/sh\n");
    QFile::setPermissions(executable, QFile::ReadOwner | QFile::ExeOwner);
    XdgAutostartLoginItemService blocked(home.path(), "app.tessly.Tessly", "Tessly", executable);
    EXPECT_TRUE(blocked.registerMainApplication());

    XdgAutostartLoginItemService hostile(home.path(), "../../escape", "Tessly", executable);
    EXPECT_TRUE(hostile.registerMainApplication());
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/../escape.desktop"));
}

} // namespace
} // namespace tessly
