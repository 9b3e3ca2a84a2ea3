// The built Tessly.app carries what the graphical adapters read: the symbol table and its font, the generic
// icons, and its own icon named in its Info.plist.
#include "gui_test_support.h"
#include "platform/linux/icon_file_linux.h"
#include "platform/linux/symbol_images_linux.h"
#include "platform/linux/workspace_icons_linux.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::drawnPixels;

const QString kBundle = QStringLiteral(TESSLY_BUNDLE_DIR);

TEST(BundleResourcesTest, SymbolsAndIconsComeFromTheBundle) {
    const LinuxSymbolImages symbols(kBundle + "/Contents/Resources");
    EXPECT_TRUE(symbols.problems().isEmpty()) << symbols.problems().join('\n').toStdString();
    EXPECT_NE(symbols.symbol("folder.fill", 64, SymbolWeight::bold), nullptr);

    const LinuxWorkspaceIcons icons(kBundle + "/Contents/Resources");
    EXPECT_EQ(drawnPixels(*icons.iconForFile(kBundle)),
              drawnPixels(*readIconFile(TESSLY_SOURCE_DIR "/resources/images/AppIcon.png")));
    const QString generic =
        QStringLiteral(TESSLY_SOURCE_DIR "/resources/images/") + kGenericApplicationIconFileName;
    EXPECT_EQ(drawnPixels(*icons.iconForFile(kBundle + "/../Missing.app")),
              drawnPixels(*readIconFile(generic)));

    // Each generic icon carries its smaller sizes: drawn as a popup draws it, it keeps little decoded.
    for (const char* name :
         {kGenericApplicationIconFileName, kGenericFolderIconFileName, kGenericDocumentIconFileName}) {
        const ImagePtr icon = readIconFile(kBundle + "/Contents/Resources/" + name);
        ASSERT_NE(icon, nullptr) << name;
        EXPECT_EQ(icon->size(), QSizeF(512, 512)) << name;
        EXPECT_GT(qAlpha(rasterize(*icon, QSize(96, 96)).pixel(48, 48)), 0) << name;
        EXPECT_LE(iconDecodingForTesting(*icon).keptPixels, 16 * 16 + 128 * 128) << name;
    }
}

} // namespace
} // namespace tessly
