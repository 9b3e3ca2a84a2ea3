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
const QString kResources = kBundle + "/Contents/Resources";

TEST(BundleResourcesTest, SymbolsLoadFromTheBundle) {
    const LinuxSymbolImages symbols(kResources);
    EXPECT_TRUE(symbols.problems().isEmpty()) << symbols.problems().join('\n').toStdString();
    for (const char* name : {"folder.fill", "nosign", "xmark.circle", "checkmark.circle"}) {
        EXPECT_NE(symbols.symbol(name, 64, SymbolWeight::bold), nullptr) << name;
    }
}

TEST(BundleResourcesTest, IconsOfTheBundleAndTheGenericOnes) {
    const LinuxWorkspaceIcons icons(kResources);
    const ImagePtr own = icons.iconForFile(kBundle);
    const ImagePtr appIcon = readIconFile(QStringLiteral(TESSLY_SOURCE_DIR "/resources/images/AppIcon.png"));
    ASSERT_NE(appIcon, nullptr);
    EXPECT_EQ(drawnPixels(*own), drawnPixels(*appIcon));

    const ImagePtr generic = readIconFile(QStringLiteral(TESSLY_SOURCE_DIR "/resources/images/") +
                                          kGenericApplicationIconFileName);
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(drawnPixels(*icons.iconForFile(kBundle + "/../Missing.app")), drawnPixels(*generic));
}

} // namespace
} // namespace tessly
