// Workspace icons on a real file tree: the lookup order (custom icon, then the Info.plist's icon file with or
// without extension, icns or png, then a generic icon) with real Info.plist files in bundles of a temporary
// tree; what is passed over; custom icons written and read back; links never written through.
#include "gui_test_support.h"
#include "platform/linux/workspace_icons_linux.h"
#include "platform/property_list.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace tessly {
namespace {

using testing::colorAt;
using testing::icnsData;
using testing::pngData;
using testing::SolidImage;
using testing::writeFile;

const QString kGenericIcons = QStringLiteral(TESSLY_SOURCE_DIR "/resources/images");

void makePipe(const QString& path) {
    QFile::remove(path);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}

class WorkspaceIconsTest : public ::testing::Test {
protected:
    /// "<name>.app" with the fixture as its Info.plist and an empty Contents/Resources.
    QString makeBundle(const QString& name, const QString& fixture) {
        const QString bundle = root.filePath(name + ".app");
        EXPECT_TRUE(QDir().mkpath(bundle + "/Contents/Resources"));
        EXPECT_TRUE(QFile::copy(TESSLY_FIXTURES_DIR "/" + fixture, bundle + "/Contents/Info.plist"));
        QFile::setPermissions(bundle + "/Contents/Info.plist", QFile::ReadOwner | QFile::WriteOwner);
        return bundle;
    }
    /// The bundle's Info.plist icon file in Contents/Resources, by the name the copy gives.
    static QString namedIcon(const QString& bundle) {
        const auto info = readPropertyListFile(bundle + "/Contents/Info.plist");
        return bundle + "/Contents/Resources/" +
               *info->root.asDictionary()->find("CFBundleIconFile")->asString();
    }
    [[nodiscard]] bool isGeneric(const ImagePtr& icon, const char* fileName) const {
        return testing::drawnPixels(*icon) ==
               testing::drawnPixels(*readIconFile(kGenericIcons + "/" + fileName));
    }

    QTemporaryDir root;
    LinuxWorkspaceIcons icons{kGenericIcons};
};

TEST_F(WorkspaceIconsTest, CustomIconComesFirstUnlessItIsNoImage) {
    const QString bundle = makeBundle("Editor", "icon-file-with-extension.plist");
    writeFile(namedIcon(bundle), icnsData(Qt::blue));
    writeFile(bundle + "/Icon\r", pngData(Qt::green));
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::green));
    for (const QByteArray& broken : {QByteArray(), QByteArray("not an image")}) {
        writeFile(bundle + "/Icon\r", broken);
        EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::blue));
    }
}

TEST_F(WorkspaceIconsTest, InfoPlistIconWithOrWithoutItsExtension) {
    const struct {
        const char* fixture;
        /// Files made beside the named one: the suffix added to the name, and the icon's colour.
        QList<std::pair<QString, QColor>> files;
        QColor expected;
    } cases[] = {
        {"icon-file-with-extension.plist", {{"", Qt::red}}, Qt::red},
        {"old-doctype-icon-file.plist", {{"", Qt::red}}, Qt::red},
        {"icon-file-without-extension.plist", {{".icns", Qt::red}}, Qt::red},
        {"icon-file-without-extension.plist", {{".png", Qt::cyan}}, Qt::cyan},
        {"icon-file-without-extension.plist", {{".png", Qt::cyan}, {".icns", Qt::red}}, Qt::red},
        {"icon-file-without-extension.plist", {{"", Qt::yellow}}, Qt::yellow},
        {"icon-name-and-icon-file.plist", {{"", Qt::magenta}}, Qt::magenta},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(index);
        const QString bundle = makeBundle(QStringLiteral("App%1").arg(index++), c.fixture);
        for (const auto& [suffix, color] : c.files) {
            const QString file = namedIcon(bundle) + suffix;
            writeFile(file, file.endsWith(".icns") ? icnsData(color) : pngData(color));
        }
        EXPECT_EQ(colorAt(icons.iconForFile(bundle)), c.expected);
    }
}

TEST_F(WorkspaceIconsTest, WithoutAUsableIconComesTheGenericOne) {
    const QString outside = root.filePath("outside.png");
    writeFile(outside, pngData(Qt::red));
    const std::pair<const char*, std::function<void(const QString&)>> cases[] = {
        {"empty-icon-file.plist", nullptr},
        {"no-icon-keys.plist", nullptr},
        {"icon-file-with-extension.plist", nullptr},
        {"icon-file-with-extension.plist", [](const QString& b) { writeFile(namedIcon(b), {}); }},
        {"icon-file-with-extension.plist", [](const QString& b) { makePipe(namedIcon(b)); }},
        {"icon-file-with-extension.plist", [&](const QString& b) { QFile::link(outside, namedIcon(b)); }},
        {"no-icon-keys.plist", [&](const QString& b) { QFile::link(outside, b + "/Icon\r"); }},
        {"no-icon-keys.plist", [](const QString& b) { makePipe(b + "/Contents/Info.plist"); }},
        {"no-icon-keys.plist",
         [](const QString& b) {
             EXPECT_TRUE(writePropertyListFile(b + "/Contents/Info.plist",
                                               PlistDictionary{{"CFBundleIconFile", "../../../outside.png"}},
                                               PlistFormat::Xml));
         }},
    };
    int index = 0;
    for (const auto& [fixture, prepare] : cases) {
        SCOPED_TRACE(index);
        const QString bundle = makeBundle(QStringLiteral("App%1").arg(index++), fixture);
        if (prepare) {
            prepare(bundle);
        }
        EXPECT_TRUE(isGeneric(icons.iconForFile(bundle), kGenericApplicationIconFileName));
    }
    EXPECT_TRUE(isGeneric(icons.iconForFile(root.filePath("Gone.app")), kGenericApplicationIconFileName));
    EXPECT_TRUE(isGeneric(icons.iconForFile(root.filePath("gone.txt")), kGenericDocumentIconFileName));
    EXPECT_TRUE(isGeneric(icons.iconForFile(outside), kGenericDocumentIconFileName));
    EXPECT_TRUE(isGeneric(icons.iconForFile(root.path()), kGenericFolderIconFileName));
}

TEST_F(WorkspaceIconsTest, SetIconIsReadBackFirstAndReplacedWhole) {
    const QString bundle = makeBundle("Helper", "icon-file-with-extension.plist");
    writeFile(namedIcon(bundle), icnsData(Qt::blue));
    ASSERT_TRUE(icons.setIcon(SolidImage({64, 64}, Qt::magenta), bundle));
    EXPECT_EQ(QImageReader(bundle + "/Icon\r").size(), QSize(kIconPixelSide, kIconPixelSide));
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::magenta));
    ASSERT_TRUE(icons.setIcon(SolidImage({64, 64}, Qt::yellow), bundle));
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::yellow));
    EXPECT_EQ(QDir(bundle).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"Contents", "Icon\r"}));

    // A plain file keeps its content; one colour compresses small enough for any file system's attributes.
    const QString file = root.filePath("notes.txt");
    writeFile(file, "keep me");
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
    const SolidImage image({64, 64}, Qt::red);
    EXPECT_FALSE(icons.setIcon(image, root.filePath("Link.app")));
    EXPECT_FALSE(QFileInfo::exists(bundle + "/Icon\r"));
    EXPECT_FALSE(icons.setIcon(image, root.filePath("link.txt")));
    EXPECT_LT(::getxattr(QFile::encodeName(file).constData(), kCustomIconAttribute, nullptr, 0), 0);
    EXPECT_FALSE(icons.setIcon(image, root.filePath("missing")));
    makePipe(root.filePath("pipe"));
    EXPECT_FALSE(icons.setIcon(image, root.filePath("pipe")));

    // An "Icon\r" inside the bundle that links elsewhere is replaced; what it pointed at stays as it was.
    QFile::link(file, bundle + "/Icon\r");
    ASSERT_TRUE(icons.setIcon(image, bundle));
    EXPECT_FALSE(QFileInfo(bundle + "/Icon\r").isSymLink());
    EXPECT_EQ(colorAt(icons.iconForFile(bundle)), QColor(Qt::red));
    QFile target(file);
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), "target");
}

} // namespace
} // namespace tessly
