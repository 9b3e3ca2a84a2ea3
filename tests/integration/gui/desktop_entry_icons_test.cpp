// Icons of desktop entries: theme icons of a temporary theme drawn from the image of the size asked, absolute
// icon paths, the generic application icon for whatever cannot be drawn, and the real terminal entry
// installed from the distribution's packages drawn with its theme icon.
#include "gui_test_support.h"
#include "platform/linux/workspace_icons_linux.h"

#include <QDir>
#include <QIcon>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tessly {
namespace {

using testing::colorAt;
using testing::pngData;
using testing::writeFile;

const QString kGenericIcons = QStringLiteral(TESSLY_SOURCE_DIR "/resources/images");
const QString kRealTerminalEntry = QStringLiteral("/usr/share/applications/debian-xterm.desktop");

/// A PNG of `side` pixels in one colour.
QByteArray squarePng(int side, QColor color) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

/// The colour in the middle of the image drawn at `side` pixels.
QColor colorDrawnAt(const ImagePtr& image, int side) {
    return QColor::fromRgba(rasterize(*image, QSize(side, side)).pixel(side / 2, side / 2));
}

class DesktopEntryIconsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A theme directory of the test's own ahead of the system's, with the system's description of the
        // fallback theme (the first one found describes the theme's directories for all); the icons adapter
        // adds the XDG directories after it and, as no desktop chose a theme, uses the fallback theme.
        QDir().mkpath(themes.path() + "/hicolor/16x16/apps");
        QDir().mkpath(themes.path() + "/hicolor/64x64/apps");
        QFile::copy("/usr/share/icons/hicolor/index.theme", themes.path() + "/hicolor/index.theme");
        writeFile(themes.path() + "/hicolor/16x16/apps/tessly-test-sized.png", squarePng(16, Qt::red));
        writeFile(themes.path() + "/hicolor/64x64/apps/tessly-test-sized.png", squarePng(64, Qt::blue));
        QIcon::setThemeSearchPaths(QStringList{themes.path()} + QIcon::themeSearchPaths());
    }

    QString makeEntry(const QString& name, const QByteArray& iconLine) {
        const QString path = root.filePath(name + ".desktop");
        writeFile(path,
                  "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=true\n" + iconLine);
        return path;
    }
    [[nodiscard]] bool isGenericApplication(const ImagePtr& icon) const {
        return testing::drawnPixels(*icon) ==
               testing::drawnPixels(*readIconFile(kGenericIcons + "/" + kGenericApplicationIconFileName));
    }

    static inline QTemporaryDir themes;
    QTemporaryDir root;
    LinuxWorkspaceIcons icons{kGenericIcons};
};

TEST_F(DesktopEntryIconsTest, ThemeIconIsDrawnFromTheImageOfTheSizeAsked) {
    const ImagePtr icon = icons.iconForFile(makeEntry("Sized", "Icon=tessly-test-sized\n"));

    EXPECT_EQ(colorDrawnAt(icon, 16), QColor(Qt::red));
    EXPECT_EQ(colorDrawnAt(icon, 64), QColor(Qt::blue));
    // A name with an image file's extension, a common slip in entries, is the theme icon all the same.
    EXPECT_EQ(colorDrawnAt(icons.iconForFile(makeEntry("Slip", "Icon=tessly-test-sized.png\n")), 64),
              QColor(Qt::blue));
}

TEST_F(DesktopEntryIconsTest, AbsoluteIconPathIsReadAsAnIconFile) {
    writeFile(root.filePath("own icon.png"), pngData(Qt::green));
    const QString entry = makeEntry("Own", "Icon=" + root.filePath("own icon.png").toUtf8() + "\n");

    EXPECT_EQ(colorAt(icons.iconForFile(entry)), QColor(Qt::green));
    EXPECT_EQ(colorAt(icons.iconForFile(QUrl::fromLocalFile(entry).toString())), QColor(Qt::green));
}

TEST_F(DesktopEntryIconsTest, WhatCannotBeDrawnHasTheGenericApplicationIcon) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(root.filePath("pipe.png")).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(root.filePath("pipe.desktop")).constData(), 0600), 0);
    const QString cases[] = {
        makeEntry("MissingName", "Icon=tessly-no-such-icon\n"),
        makeEntry("MissingFile", "Icon=" + root.filePath("gone.png").toUtf8() + "\n"),
        makeEntry("PipeFile", "Icon=" + root.filePath("pipe.png").toUtf8() + "\n"),
        makeEntry("NotAnImage", "Icon=" + root.filePath("MissingName.desktop").toUtf8() + "\n"),
        makeEntry("NoIcon", ""),
        root.filePath("pipe.desktop"),
        root.filePath("gone.desktop"),
    };
    writeFile(root.filePath("malformed.desktop"), "[Desktop Entry\nIcon=tessly-test-sized\n");
    for (const QString& path : cases) {
        EXPECT_TRUE(isGenericApplication(icons.iconForFile(path))) << path.toStdString();
    }
    EXPECT_TRUE(isGenericApplication(icons.iconForFile(root.filePath("malformed.desktop"))));
}

TEST_F(DesktopEntryIconsTest, TheInstalledTerminalEntryHasItsThemeIcon) {
    ASSERT_TRUE(QFile::exists(kRealTerminalEntry))
        << "the terminal is not installed: run scripts/install-deps";

    const ImagePtr icon = icons.iconForFile(kRealTerminalEntry);

    EXPECT_FALSE(isGenericApplication(icon));
    const QImage drawn = rasterize(*icon, QSize(64, 64));
    int opaque = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            opaque += qAlpha(drawn.pixel(x, y)) > 128 ? 1 : 0;
        }
    }
    EXPECT_GT(opaque, 64 * 64 / 4) << "the icon draws next to nothing";
}

} // namespace
} // namespace tessly
