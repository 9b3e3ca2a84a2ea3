// The built Tessly.app carries what the graphical adapters read: the symbol table and its font, the generic
// icons, and its own icon named in its Info.plist.
#include "gui_test_support.h"
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
    EXPECT_EQ(drawnPixels(*icons.iconForFile(kBundle + "/../Missing.app")),
              drawnPixels(*readIconFile(TESSLY_SOURCE_DIR "/resources/images/GenericApplicationIcon.png")));
}

} // namespace
} // namespace tessly
