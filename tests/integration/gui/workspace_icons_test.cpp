// Workspace icons on a real file tree: the lookup order (custom icon, then the Info.plist's icon file with or
// without extension, icns or png, then a generic icon) with real Info.plist files in bundles of a temporary
// tree; what is passed over (empty, broken, outside the bundle); custom icons written and read back; links
// never written through.
#include "gui_test_support.h"
#include "platform/linux/workspace_icons_linux.h"
#include "platform/property_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace tessly {
namespace {

using testing::colorAt;
using testing::drawnPixels;
using testing::icnsData;
using testing::pngData;
using testing::SolidImage;
using testing::writeFile;

const QString kGenericIcons = QStringLiteral(TESSLY_SOURCE_DIR "/resources/images");
const QString kFixtures = QStringLiteral(TESSLY_FIXTURES_DIR);

class WorkspaceIconsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root.isValid()); }

    /// "<name>.app" with the fixture as its Info.plist and an empty Contents/Resources.
    QString makeBundle(const QString& name, const QString& fixture) {
        const QString bundle = root.filePath(name + ".app");
        EXPECT_TRUE(QDir().mkpath(bundle + "/Contents/Resources"));
        EXPECT_TRUE(QFile::copy(kFixtures + "/" + fixture, bundle + "/Contents/Info.plist"));
        QFile::setPermissions(bundle + "/Contents/Info.plist", QFile::ReadOwner | QFile::WriteOwner);
        return bundle;
    }
    /// The "CFBundleIconFile" of the bundle's Info.plist, read as the test's own check of the fixture.
    static QString iconFileName(const QString& bundle) {
        const auto info = readPropertyListFile(bundle + "/Contents/Info.plist");
        const QString* name = info->root.asDictionary()->find("CFBundleIconFile")->asString();
        return *name;
    }
    static QString resources(const QString& bundle) { return bundle + "/Contents/Resources/"; }

    /// The pixels of `icon` compared with those of a generic icon.
    ::testing::AssertionResult isGeneric(const ImagePtr& icon, const char* fileName) const {
        const ImagePtr generic = readIconFile(kGenericIcons + "/" + fileName);
        if (!generic || !icon) {
            return ::testing::AssertionFailure() << "no icon to compare";
        }
        if (drawnPixels(*icon) != drawnPixels(*generic)) {
            return ::testing::AssertionFailure() << "not the icon " << fileName;
        }
        return ::testing::AssertionSuccess();
    }

    QTemporaryDir root;
    LinuxWorkspaceIcons icons{kGenericIcons};
};

TEST_F(WorkspaceIconsTest, CustomIconComesBeforeTheInfoPlistIcon) {
    const QString bundle = makeBundle("Editor", "icon-file-with-extension.plist");
    const QString named = iconFileName(bundle);
    ASSERT_TRUE(named.endsWith(".icns"));
    writeFile(resources(bundle) + named, icnsData(Qt::blue));
    writeFile(bundle + "/Icon\r", pngData(Qt::green));
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::green));

    QFile::remove(bundle + "/Icon\r");
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::blue));

    // An empty or unreadable custom icon is passed over.
    writeFile(bundle + "/Icon\r", {});
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::blue));
    writeFile(bundle + "/Icon\r", "not an image");
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::blue));
}

TEST_F(WorkspaceIconsTest, InfoPlistIconWithOrWithoutItsExtension) {
    const struct {
        const char* what;
        const char* fixture;
        /// Files made in Contents/Resources: the suffix added to the plist's name, and the icon's colour.
        QList<std::pair<QString, QColor>> files;
        QColor expected;
    } cases[] = {
        {"named with .icns", "icon-file-with-extension.plist", {{"", Qt::red}}, Qt::red},
        {"named with .icns, old DOCTYPE", "old-doctype-icon-file.plist", {{"", Qt::red}}, Qt::red},
        {"no extension, an icns", "icon-file-without-extension.plist", {{".icns", Qt::red}}, Qt::red},
        {"no extension, a png", "icon-file-without-extension.plist", {{".png", Qt::cyan}}, Qt::cyan},
        {"no extension, icns before png",
         "icon-file-without-extension.plist",
         {{".png", Qt::cyan}, {".icns", Qt::red}},
         Qt::red},
        {"no extension, the file as named",
         "icon-file-without-extension.plist",
         {{"", Qt::yellow}},
         Qt::yellow},
        {"beside an icon name, named twice",
         "icon-name-and-icon-file.plist",
         {{"", Qt::magenta}},
         Qt::magenta},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString bundle = makeBundle(QStringLiteral("App%1").arg(index++), c.fixture);
        const QString named = iconFileName(bundle);
        for (const auto& [suffix, color] : c.files) {
            const QString file = resources(bundle) + named + suffix;
            writeFile(file, file.endsWith(".icns") ? icnsData(color) : pngData(color));
        }
        EXPECT_EQ(colorAt(icons.iconForFile(bundle)), c.expected);
    }
}

TEST_F(WorkspaceIconsTest, BundleWithoutAUsableIconGetsTheGenericApplicationIcon) {
    const QString outside = root.filePath("outside.png");
    writeFile(outside, pngData(Qt::red));
    const struct {
        const char* what;
        const char* fixture;
        std::function<void(const QString& bundle)> prepare;
    } cases[] = {
        {"an empty icon file name", "empty-icon-file.plist", nullptr},
        {"no icon keys", "no-icon-keys.plist", nullptr},
        {"the named file missing", "icon-file-with-extension.plist", nullptr},
        {"the named file empty", "icon-file-with-extension.plist",
         [](const QString& bundle) { writeFile(resources(bundle) + iconFileName(bundle), {}); }},
        {"the named file no image", "icon-file-without-extension.plist",
         [](const QString& bundle) {
             writeFile(resources(bundle) + iconFileName(bundle) + ".icns", "icns");
         }},
        {"a directory of the name", "icon-file-with-extension.plist",
         [](const QString& bundle) { QDir().mkpath(resources(bundle) + iconFileName(bundle)); }},
        {"the named file a link out of the bundle", "icon-file-with-extension.plist",
         [&](const QString& bundle) { QFile::link(outside, resources(bundle) + iconFileName(bundle)); }},
        {"Resources a link out of the bundle", "icon-file-with-extension.plist",
         [&](const QString& bundle) {
             QDir(resources(bundle)).removeRecursively();
             QDir().mkpath(root.filePath("elsewhere"));
             writeFile(root.filePath("elsewhere/") + iconFileName(bundle), icnsData(Qt::red));
             QFile::link(root.filePath("elsewhere"), bundle + "/Contents/Resources");
         }},
        {"a custom icon that is a link out of the bundle", "no-icon-keys.plist",
         [&](const QString& bundle) { QFile::link(outside, bundle + "/Icon\r"); }},
        {"a path for an icon name", "no-icon-keys.plist",
         [&](const QString& bundle) {
             EXPECT_TRUE(writePropertyListFile(bundle + "/Contents/Info.plist",
                                               PlistDictionary{{"CFBundleIconFile", "../../../outside.png"}},
                                               PlistFormat::Xml));
         }},
        {"an icon name that is no text", "no-icon-keys.plist",
         [&](const QString& bundle) {
             EXPECT_TRUE(writePropertyListFile(
                 bundle + "/Contents/Info.plist",
                 PlistDictionary{{"CFBundleIconFile", PlistValue(std::int64_t{7})}}, PlistFormat::Binary));
         }},
        {"an Info.plist that is a pipe", "no-icon-keys.plist",
         [&](const QString& bundle) {
             QFile::remove(bundle + "/Contents/Info.plist");
             ASSERT_EQ(::mkfifo(QFile::encodeName(bundle + "/Contents/Info.plist").constData(), 0600), 0);
         }},
        {"the named file a pipe", "icon-file-with-extension.plist",
         [&](const QString& bundle) {
             ASSERT_EQ(
                 ::mkfifo(QFile::encodeName(resources(bundle) + iconFileName(bundle)).constData(), 0600), 0);
         }},
        {"a custom icon that is a pipe", "no-icon-keys.plist",
         [&](const QString& bundle) {
             ASSERT_EQ(::mkfifo(QFile::encodeName(bundle + "/Icon\r").constData(), 0600), 0);
         }},
        {"an Info.plist that is no property list", "no-icon-keys.plist",
         [&](const QString& bundle) { writeFile(bundle + "/Contents/Info.plist", "<plist><dict><key>"); }},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString bundle = makeBundle(QStringLiteral("App%1").arg(index++), c.fixture);
        if (c.prepare) {
            c.prepare(bundle);
        }
        EXPECT_TRUE(isGeneric(icons.iconForFile(bundle), kGenericApplicationIconFileName));
    }
}

TEST_F(WorkspaceIconsTest, PathsThatAreNoBundlesGetTheirGenericIcons) {
    EXPECT_TRUE(isGeneric(icons.iconForFile(root.filePath("Gone.app")), kGenericApplicationIconFileName));
    EXPECT_TRUE(isGeneric(icons.iconForFile(root.filePath("gone.txt")), kGenericDocumentIconFileName));
    EXPECT_TRUE(isGeneric(icons.iconForFile(QString()), kGenericDocumentIconFileName));
    QDir().mkpath(root.filePath("Folder"));
    EXPECT_TRUE(isGeneric(icons.iconForFile(root.filePath("Folder")), kGenericFolderIconFileName));
    writeFile(root.filePath("notes.txt"), "text");
    EXPECT_TRUE(isGeneric(icons.iconForFile(root.filePath("notes.txt")), kGenericDocumentIconFileName));
    ASSERT_EQ(::mkfifo(QFile::encodeName(root.filePath("pipe")).constData(), 0600), 0);
    EXPECT_TRUE(isGeneric(icons.iconForFile(root.filePath("pipe")), kGenericDocumentIconFileName));

    // A link shows what it points at.
    const QString bundle = makeBundle("Linked", "icon-file-with-extension.plist");
    writeFile(resources(bundle) + iconFileName(bundle), icnsData(Qt::red));
    QFile::link(bundle, root.filePath("Alias.app"));
    EXPECT_EQ(colorAt(icons.iconForFile(root.filePath("Alias.app"))), QColor(Qt::red));

    // Without the generic icons (a broken installation) an icon still comes back, drawing nothing.
    const LinuxWorkspaceIcons bare(root.filePath("no-resources"));
    const ImagePtr blank = bare.iconForFile(root.filePath("Gone.app"));
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(colorAt(blank), QColor(Qt::transparent));
}

TEST_F(WorkspaceIconsTest, SetIconIsReadBackBeforeEverythingElse) {
    const QString bundle = makeBundle("Helper", "icon-file-with-extension.plist");
    writeFile(resources(bundle) + iconFileName(bundle), icnsData(Qt::blue));

    ASSERT_TRUE(icons.setIcon(SolidImage({64, 64}, Qt::magenta), bundle));
    QImageReader written(bundle + "/Icon\r");
    EXPECT_EQ(written.format(), "png");
    EXPECT_EQ(written.size(), QSize(kIconPixelSide, kIconPixelSide));
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::magenta));

    // Written again, replaced whole, with nothing left beside it.
    ASSERT_TRUE(icons.setIcon(SolidImage({64, 64}, Qt::yellow), bundle));
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::yellow));
    EXPECT_EQ(QDir(bundle).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"Contents", "Icon\r"}));

    // A plain folder the same way.
    QDir().mkpath(root.filePath("Folder"));
    ASSERT_TRUE(icons.setIcon(SolidImage({64, 64}, Qt::cyan), root.filePath("Folder")));
    EXPECT_EQ(colorAt(icons.iconForFile(root.filePath("Folder"))), QColor(Qt::cyan));
}

TEST_F(WorkspaceIconsTest, SetIconOnAPlainFileKeepsItsContent) {
    const QString file = root.filePath("notes.txt");
    writeFile(file, "keep me");
    if (::setxattr(QFile::encodeName(file).constData(), "user.tessly.probe", "1", 1, 0) != 0) {
        GTEST_SKIP() << "the file system keeps no user attributes";
    }
    // One colour compresses to a few hundred bytes: small enough for any file system's attributes.
    ASSERT_TRUE(icons.setIcon(SolidImage({64, 64}, Qt::green), file));
    EXPECT_EQ(colorAt(icons.iconForFile(file)), QColor(Qt::green));
    QFile read(file);
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    EXPECT_EQ(read.readAll(), "keep me");
}

TEST_F(WorkspaceIconsTest, SetIconNeverWritesThroughALink) {
    const QString bundle = makeBundle("Target", "no-icon-keys.plist");
    const QString file = root.filePath("target.txt");
    writeFile(file, "target");
    QFile::link(bundle, root.filePath("Link.app"));
    QFile::link(file, root.filePath("link.txt"));
    QFile::link(root.filePath("nowhere"), root.filePath("dangling"));

    const SolidImage image({64, 64}, Qt::red);
    EXPECT_FALSE(icons.setIcon(image, root.filePath("Link.app")));
    EXPECT_FALSE(QFileInfo::exists(bundle + "/Icon\r"));
    EXPECT_FALSE(icons.setIcon(image, root.filePath("link.txt")));
    EXPECT_LT(::getxattr(QFile::encodeName(file).constData(), kCustomIconAttribute, nullptr, 0), 0);
    EXPECT_FALSE(icons.setIcon(image, root.filePath("dangling")));
    EXPECT_FALSE(QFileInfo::exists(root.filePath("nowhere")));
    EXPECT_FALSE(icons.setIcon(image, root.filePath("missing")));
    EXPECT_FALSE(icons.setIcon(image, QString()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(root.filePath("pipe")).constData(), 0600), 0);
    EXPECT_FALSE(icons.setIcon(image, root.filePath("pipe")));

    // An "Icon\r" inside the bundle that links elsewhere is replaced by the icon; what it pointed at stays.
    QFile::link(file, bundle + "/Icon\r");
    ASSERT_TRUE(icons.setIcon(image, bundle));
    EXPECT_FALSE(QFileInfo(bundle + "/Icon\r").isSymLink());
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::red));
    QFile target(file);
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), "target");

    // An "Icon\r" that is a directory is not replaced.
    const QString other = makeBundle("Other", "no-icon-keys.plist");
    QDir().mkpath(other + "/Icon\r");
    EXPECT_FALSE(icons.setIcon(image, other));
    EXPECT_TRUE(QFileInfo(other + "/Icon\r").isDir());
}

} // namespace
} // namespace tessly
