// The built Dock tile plug-in, loaded with dlopen from copies of the built bundle in a temporary home as the
// Dock loads it, reporting to a real session bus: the pin file and the notification the main application
// decodes, each helper copy reporting its own folder, and the hosts that must report nothing.
#include "dock_tile_plugin_loader.h"
#include "model/notification_names.h"
#include "platform/linux/dbus_notification_center_linux.h"
#include "support/binary_plist_builder.h"
#include "support/recording_console.h"
#include "support/run_events.h"
#include "support/temp_home.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QUuid>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace tessly {
namespace {

namespace names = notification_names;
using testing::BinaryPlistBuilder;
using testing::loadPlugIn;
using testing::runEventsUntil;

struct Report {
    QString folderID;
    std::optional<bool> isPinned;
    bool hasObject = false;
    qsizetype keys = 0;
};

class DockTilePluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        center = std::make_unique<DBusDistributedNotificationCenter>(console);
        if (!center->isConnected()) {
            GTEST_SKIP() << "no session bus; run the tests under dbus-run-session";
        }
        (void)center->addObserver(
            names::kTSDockTilePinStateChanged, [this](const DistributedNotification& n) {
                const PlistValue* folder = n.userInfo.find(names::kKeyFolderID);
                const PlistValue* pinned = n.userInfo.find(names::kKeyIsPinned);
                heard.push_back(
                    Report{folder && folder->asString() ? *folder->asString() : QStringLiteral("<none>"),
                           pinned && pinned->asBoolean() ? std::optional(*pinned->asBoolean()) : std::nullopt,
                           n.object.has_value(), static_cast<qsizetype>(n.userInfo.size())});
            });
    }

    /// A copy of the built bundle at `relativePath` under the home, with "TSGroupUUID" set to `group` (none
    /// when not given).
    QString copyBundle(const QString& relativePath, const std::optional<QString>& group) {
        const QString bundle = home.path() + QLatin1Char('/') + relativePath;
        QDir().mkpath(QFileInfo(bundle).path());
        std::filesystem::copy(TESSLY_BUNDLE_DIR, QFile::encodeName(bundle).toStdString(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::copy_symlinks);
        if (group) {
            auto info = readPropertyListFile(bundle + "/Contents/Info.plist");
            EXPECT_TRUE(info && info->root.isDictionary());
            info->root.asDictionary()->set("TSGroupUUID", *group);
            EXPECT_TRUE(writePropertyListFile(bundle + "/Contents/Info.plist", info->root, PlistFormat::Xml));
        }
        return bundle;
    }
    QString helper(const QString& name, const QString& group) {
        return copyBundle("Library/Application Support/Tessly/Helpers/" + name + ".app", group);
    }

    /// Everything reported until now: a post of this test's own travels after the plug-in's on the one
    /// connection of this process, so once it arrives every report before it has arrived too. Reports from
    /// other programs on the bus, which name folders by UUID, are left out.
    std::vector<Report> reportsSoFar(const QStringList& ours) {
        const QString barrier = "barrier " + QUuid::createUuid().toString();
        center->post(names::kTSDockTilePinStateChanged, std::nullopt, PlistDictionary{{"folderID", barrier}});
        EXPECT_TRUE(runEventsUntil([&] {
            return std::any_of(heard.begin(), heard.end(),
                               [&](const Report& r) { return r.folderID == barrier; });
        }));
        std::vector<Report> reports;
        for (const Report& report : heard) {
            // Only the identities this test uses: the suite's other tests post on the same bus meanwhile.
            if (ours.contains(report.folderID)) {
                reports.push_back(report);
            }
        }
        heard.clear();
        return reports;
    }

    [[nodiscard]] QString stateDirectory() const { return home.paths().helperStateDirectory(); }
    [[nodiscard]] QByteArray pinFile(const QString& folderID) const {
        return testing::TempHome::read(stateDirectory() + "/" + folderID + ".pinned");
    }
    /// Every file under the home that is not inside a bundle copy.
    [[nodiscard]] QStringList filesOutsideBundles() const {
        QStringList files;
        QDirIterator it(home.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!path.contains(".app/")) {
                files.append(path.mid(home.path().size() + 1));
            }
        }
        return files;
    }

    testing::TempHome home;
    testing::ScopedHomeVariable homeVariable{home.path()};
    testing::RecordingConsole console;
    std::unique_ptr<DBusDistributedNotificationCenter> center;
    std::vector<Report> heard;
};

TEST_F(DockTilePluginTest, HoldingAndDroppingTheTileWritesThePinFileAndPostsWhatTheProgramDecodes) {
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const auto plugin = loadPlugIn(helper("Work", id));
    ASSERT_TRUE(plugin.factory) << plugin.error.toStdString();
    const auto instance = plugin.create();
    ASSERT_TRUE(instance);
    // An older state, and a second name for that file: a write in place would show through the link.
    const QString path =
        home.write("Library/Application Support/Tessly/HelperState/" + id + ".pinned", "0\n");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(path + ".old").constData()), 0);

    const dock::DockTile tile{"/Applications/Work.app"};
    instance->setDockTile(&tile);
    EXPECT_EQ(pinFile(id), "1");
    EXPECT_EQ(testing::TempHome::read(path + ".old"), "0\n") << "the pin file is replaced, not rewritten";
    auto reports = reportsSoFar({id});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].folderID, id);
    EXPECT_EQ(reports[0].isPinned, std::optional(true)) << "a Boolean, as the observers read it";
    EXPECT_FALSE(reports[0].hasObject);
    EXPECT_EQ(reports[0].keys, 2);

    instance->setDockTile(nullptr);
    EXPECT_EQ(pinFile(id), "0");
    reports = reportsSoFar({id});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].isPinned, std::optional(false));

    EXPECT_EQ(QDir(stateDirectory()).entryList(QDir::Files | QDir::Hidden),
              QStringList({id + ".pinned", id + ".pinned.old"}))
        << "no temporary file is left behind";
    EXPECT_EQ(instance->dockMenu(), nullptr);
}

TEST_F(DockTilePluginTest, EachHelperCopyReportsItsOwnFolderAndATextThatIsNoUuidVerbatim) {
    const QString a = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString b = "not a UUID, still mine";
    const auto first = loadPlugIn(helper("A", a));
    const auto second = loadPlugIn(helper("B", b));
    ASSERT_TRUE(first.factory && second.factory) << first.error.toStdString() << second.error.toStdString();
    ASSERT_NE(first.factory, second.factory) << "each copy is loaded from its own bundle";
    const auto one = first.create();
    const auto two = second.create();
    ASSERT_TRUE(one && two);

    const dock::DockTile tile{""};
    one->setDockTile(&tile);
    two->setDockTile(nullptr);

    EXPECT_EQ(pinFile(a), "1");
    EXPECT_EQ(pinFile(b), "0");
    // Each copy posts on its own; the bus may hand the two over in either order.
    auto reports = reportsSoFar({a, b});
    ASSERT_EQ(reports.size(), 2u);
    if (reports[0].folderID != a) {
        std::swap(reports[0], reports[1]);
    }
    EXPECT_EQ(reports[0].folderID, a);
    EXPECT_EQ(reports[0].isPinned, std::optional(true));
    EXPECT_EQ(reports[1].folderID, b);
    EXPECT_EQ(reports[1].isPinned, std::optional(false));
}

TEST_F(DockTilePluginTest, AnIdentityThatIsNoPlainFileNameWritesNothingAndPostsNothing) {
    const QStringList hostile{"", ".", "..", "../../x", "../HelperState/y", "a/b", "/tmp/z", "/"};
    std::vector<std::unique_ptr<dock::DockTilePlugIn>> instances;
    for (qsizetype i = 0; i < hostile.size(); ++i) {
        const auto plugin = loadPlugIn(helper("Hostile" + QString::number(i), hostile.at(i)));
        ASSERT_TRUE(plugin.factory) << plugin.error.toStdString();
        instances.push_back(plugin.create());
    }
    // NUL cannot be written into XML; a binary Info.plist holds it. Put in place after the Dock loaded the
    // plug-in, as the plug-in reads its host's Info.plist at every report.
    const QString withNul = copyBundle("Library/Application Support/Tessly/Helpers/Nul.app", std::nullopt);
    const auto nul = loadPlugIn(withNul);
    ASSERT_TRUE(nul.factory) << nul.error.toStdString();
    instances.push_back(nul.create());
    {
        BinaryPlistBuilder plist;
        const auto key = plist.add(QByteArray("\x5B") + "TSGroupUUID");
        const auto value = plist.add(QByteArray("\x5A") + QByteArray("a\0/../../n", 10));
        QFile file(withNul + "/Contents/Info.plist");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(plist.build(plist.add(BinaryPlistBuilder::container({key, value}, 0xD0))));
    }

    const QStringList before = filesOutsideBundles();
    const dock::DockTile tile{""};
    for (const auto& instance : instances) {
        ASSERT_TRUE(instance);
        instance->setDockTile(&tile);
        instance->setDockTile(nullptr);
    }
    EXPECT_EQ(filesOutsideBundles(), before);
    EXPECT_FALSE(QFileInfo::exists(stateDirectory()));
    // Whatever a faulty plug-in could have posted for them, the NUL one cut short included.
    EXPECT_TRUE(reportsSoFar(hostile + QStringList{QString::fromLatin1("a\0/../../n", 10), "a"}).empty());
}

TEST_F(DockTilePluginTest, AHostWithoutIdentityOrReadableInfoPlistReportsNothing) {
    // The main application itself, an identity that is no text, no Info.plist, a folder in its place, and
    // an Info.plist that is no property list.
    std::vector<std::unique_ptr<dock::DockTilePlugIn>> instances;
    const QString main = copyBundle("Applications/Tessly.app", std::nullopt);
    const QString number = copyBundle("Applications/Number.app", std::nullopt);
    const QString missing = copyBundle("Applications/Missing.app", std::nullopt);
    const QString folder = copyBundle("Applications/Folder.app", std::nullopt);
    const QString garbage = copyBundle("Applications/Garbage.app", std::nullopt);
    for (const QString& bundle : {main, number, missing, folder, garbage}) {
        const auto plugin = loadPlugIn(bundle);
        ASSERT_TRUE(plugin.factory) << plugin.error.toStdString();
        instances.push_back(plugin.create());
    }
    auto info = readPropertyListFile(number + "/Contents/Info.plist");
    ASSERT_TRUE(info);
    info->root.asDictionary()->set("TSGroupUUID", 42);
    ASSERT_TRUE(writePropertyListFile(number + "/Contents/Info.plist", info->root, PlistFormat::Binary));
    ASSERT_TRUE(QFile::remove(missing + "/Contents/Info.plist"));
    ASSERT_TRUE(QFile::remove(folder + "/Contents/Info.plist"));
    ASSERT_TRUE(QDir().mkpath(folder + "/Contents/Info.plist"));
    home.write("Applications/Garbage.app/Contents/Info.plist", "<plist><dict><key>TSGroupUUID</key>");

    const dock::DockTile tile{""};
    for (const auto& instance : instances) {
        ASSERT_TRUE(instance);
        instance->setDockTile(&tile);
        instance->setDockTile(nullptr);
    }
    EXPECT_FALSE(QFileInfo::exists(stateDirectory()));
    // Whatever a faulty plug-in could have posted for them: no identity, or the number as text.
    EXPECT_TRUE(reportsSoFar({"", "42"}).empty());
}

TEST_F(DockTilePluginTest, APinFileThatCannotBeWrittenStillLeavesTheNotification) {
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const auto plugin = loadPlugIn(helper("Work", id));
    ASSERT_TRUE(plugin.factory) << plugin.error.toStdString();
    // A file where the state directory belongs: neither the directory nor the pin file can be made.
    home.write("Library/Application Support/Tessly/HelperState", "in the way");

    const dock::DockTile tile{""};
    plugin.create()->setDockTile(&tile);

    const auto reports = reportsSoFar({id});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].isPinned, std::optional(true));
    EXPECT_EQ(testing::TempHome::read(stateDirectory()), "in the way");
}

TEST_F(DockTilePluginTest, TheFactoryRefusesAnotherProtocolVersionOrClassAndSaysWhichItSpeaks) {
    const auto plugin =
        loadPlugIn(helper("Work", QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()));
    ASSERT_TRUE(plugin.factory) << plugin.error.toStdString();
    EXPECT_EQ(plugin.principalClass, "DockTileStatePlugin");

    std::uint32_t reported = 0;
    EXPECT_FALSE(plugin.create(dock::kDockTilePlugInProtocolVersion + 1, &reported));
    EXPECT_EQ(reported, dock::kDockTilePlugInProtocolVersion);
    reported = 0;
    EXPECT_FALSE(plugin.create(0, &reported));
    EXPECT_EQ(reported, dock::kDockTilePlugInProtocolVersion);
    EXPECT_FALSE(plugin.factory(dock::kDockTilePlugInProtocolVersion, "SomeOtherPlugin", nullptr));
    EXPECT_FALSE(plugin.factory(dock::kDockTilePlugInProtocolVersion, nullptr, nullptr));
    EXPECT_TRUE(plugin.create(dock::kDockTilePlugInProtocolVersion, nullptr))
        << "the version is optional to ask";
}

} // namespace
} // namespace tessly
