// The Dock tile plug-in as the build assembles it and the helper manager copies it: the built bundle names a
// complete plug-in bundle and seals it in its signature, and a helper built from a copy of the bundle carries
// the plug-in, signed with it by the code-signing stand-in, and loaded from there reports the helper's
// folder.
#include "dock_tile_plugin_loader.h"
#include "helpers/helper_manager.h"
#include "model/uuid_text.h"
#include "platform/linux/child_process_linux.h"
#include "platform/linux/system_linux.h"
#include "support/helper_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/temp_home.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <filesystem>

namespace tessly {
namespace {

using testing::infoText;
using testing::plugInBundleOf;
using testing::TempHome;

constexpr char kPlugInBundle[] = "Contents/PlugIns/TesslyDockTilePlugin.docktileplugin";

/// The digests of the bundle's signature manifest, by relative path.
std::optional<PlistDictionary> sealedFiles(const QString& bundle) {
    const auto manifest = readPropertyListFile(bundle + "/Contents/_CodeSignature/CodeResources");
    if (!manifest || !manifest->root.isDictionary()) {
        return std::nullopt;
    }
    const PlistValue* files = manifest->root.asDictionary()->find("files");
    return files && files->asDictionary() ? std::optional(*files->asDictionary()) : std::nullopt;
}

/// Checks that every file of the plug-in bundle is in the manifest with its present digest.
void expectPlugInSealed(const QString& bundle) {
    const auto files = sealedFiles(bundle);
    ASSERT_TRUE(files) << "no signature manifest in " << bundle.toStdString();
    int count = 0;
    QDirIterator it(bundle + "/" + kPlugInBundle, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(bundle.size() + 1);
        const PlistValue* digest = files->find(relative);
        ASSERT_TRUE(digest && digest->asData()) << relative.toStdString() << " is not sealed";
        EXPECT_EQ(*digest->asData(),
                  QCryptographicHash::hash(TempHome::read(path), QCryptographicHash::Sha256))
            << relative.toStdString();
        ++count;
    }
    EXPECT_EQ(count, 2) << "the plug-in's Info.plist and its shared object";
}

TEST(DockTilePluginBundle, TheBuiltBundleNamesACompletePlugInAndSealsIt) {
    const QString application = TESSLY_BUNDLE_DIR;
    EXPECT_EQ(infoText(application, "NSDockTilePlugIn"), "TesslyDockTilePlugin.docktileplugin");
    const auto plugIn = plugInBundleOf(application);
    ASSERT_TRUE(plugIn);
    EXPECT_EQ(*plugIn, application + "/" + kPlugInBundle);
    EXPECT_EQ(infoText(*plugIn, "NSPrincipalClass"), "DockTileStatePlugin");
    EXPECT_EQ(infoText(*plugIn, "CFBundlePackageType"), "BNDL");
    EXPECT_EQ(infoText(*plugIn, "CFBundleIdentifier"), "app.tessly.Tessly.DockTilePlugin");
    const auto executable = infoText(*plugIn, "CFBundleExecutable");
    ASSERT_TRUE(executable);
    const QByteArray object = TempHome::read(*plugIn + "/Contents/MacOS/" + *executable);
    EXPECT_TRUE(object.startsWith("\x7f"
                                  "ELF"))
        << "a shared object in Contents/MacOS";
    // The plug-in lives in the Dock: nothing that draws, and nothing of the program's own, comes with it.
    EXPECT_FALSE(object.contains("libQt6Widgets")) << "the plug-in must not pull Qt Widgets into the Dock";
    EXPECT_FALSE(object.contains("libQt6Gui"));
    // The Dock holds one plug-in host per tile: not even Qt Core, whose relocated data each host would pay.
    EXPECT_FALSE(object.contains("libQt6Core"));
    expectPlugInSealed(application);
}

class DockTilePluginHelperTest : public ::testing::Test {
protected:
    DockTilePluginHelperTest() {
        QDir().mkpath(home.path() + "/Applications");
        std::filesystem::copy(TESSLY_BUNDLE_DIR, QFile::encodeName(application).toStdString(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::copy_symlinks);
    }

    TempHome home;
    testing::ScopedHomeVariable homeVariable{home.path()};
    QString application = home.path() + "/Applications/Tessly.app";
    Paths paths = home.paths();
    MainBundle mainBundle{application, {}};
    QtMainQueue queue;
    SystemClock clock;
    testing::InMemoryUserDefaults defaults;
    testing::RecordingWorkspace workspace{queue};
    QtChildProcessRunner processes;
    testing::InMemoryExtendedAttributes attributes;
    testing::InMemoryPreferencesDomain dock;
    NotificationCenter notifications;
    testing::InMemoryNotificationBus bus;
    testing::InMemoryDistributedNotificationCenter distributed{bus, queue};
    testing::RecordingConsole console;
    HelperManager manager{HelperEnvironment{paths, mainBundle, defaults, workspace, processes, attributes,
                                            dock, notifications, distributed, queue, clock, console, console,
                                            application + "/Contents/Helpers/codesign"}};
};

TEST_F(DockTilePluginHelperTest, AHelperCarriesThePlugInSignedWithItAndTheCopyReportsTheHelpersFolder) {
    const AppFolder work{makeUuid(), "Work", "folder", {}, true, {}, clock.now()};
    const auto helper = manager.buildHelper(work);
    ASSERT_TRUE(helper) << console.lines.join('\n').toStdString();

    const auto executable = infoText(*helper + "/" + kPlugInBundle, "CFBundleExecutable");
    ASSERT_TRUE(executable);
    const QString object = "/" + QString(kPlugInBundle) + "/Contents/MacOS/" + *executable;
    EXPECT_EQ(TempHome::read(*helper + object), TempHome::read(application + object));
    expectPlugInSealed(*helper);

    const auto plugin = testing::loadPlugIn(*helper);
    ASSERT_TRUE(plugin.factory) << plugin.error.toStdString();
    const auto instance = plugin.create();
    ASSERT_TRUE(instance);
    const dock::DockTile tile{""};
    instance->setDockTile(&tile);
    EXPECT_EQ(TempHome::read(paths.helperStateDirectory() + "/" + uuidText(work.id) + ".pinned"), "1");
}

} // namespace
} // namespace tessly
