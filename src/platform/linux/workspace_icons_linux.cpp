#include "platform/linux/workspace_icons_linux.h"

#include "platform/atomic_file.h"
#include "platform/bounded_file.h"
#include "platform/linux/desktop_applications_linux.h"
#include "platform/linux/icon_file_linux.h"
#include "platform/path_safety.h"
#include "platform/property_list.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace tessly {

namespace {

/// An icon of the icon theme, drawn from the theme's image nearest to the pixels it covers (scalable ones
/// rendered at that size).
class ThemeIcon final : public Image {
public:
    explicit ThemeIcon(QIcon icon) : m_icon(std::move(icon)) {}

    QSizeF size() const override { return m_icon.actualSize(QSize(kIconPixelSide, kIconPixelSide)); }

    void draw(QPainter& painter, const QRectF& target) const override {
        const QRectF device = painter.deviceTransform().mapRect(target);
        const int side = qCeil(std::max(device.width(), device.height()));
        if (side <= 0) {
            return;
        }
        // Kept for the next draw at that size: the Dock draws the same icons at the same size again and
        // again.
        if (m_drawnSide != side) {
            m_drawn = m_icon.pixmap(QSize(side, side), 1.0).toImage();
            m_drawnSide = side;
        }
        if (m_drawn.isNull()) {
            return;
        }
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_drawn);
        painter.restore();
    }

private:
    QIcon m_icon;
    mutable QImage m_drawn;
    mutable int m_drawnSide = 0;
};

/// Gives Qt's icon theme what it lacks without a desktop's platform theme (a bare X session, the offscreen
/// platform): the XDG icon directories after its own, the fallback theme every theme inherits when no theme
/// is chosen, and the unthemed "pixmaps" directories last, as the icon theme rules say. What the desktop
/// chose is kept.
void prepareIconTheme() {
    const QStringList dataDirectories = xdgDataDirectories();
    QStringList iconDirectories{QDir::homePath() + QStringLiteral("/.icons")};
    QStringList pixmapDirectories;
    for (const QString& directory : dataDirectories) {
        iconDirectories.append(directory + QStringLiteral("/icons"));
        pixmapDirectories.append(directory + QStringLiteral("/pixmaps"));
    }
    const auto withMissing = [](QStringList paths, const QStringList& wanted) {
        for (const QString& path : wanted) {
            if (!paths.contains(path)) {
                paths.append(path);
            }
        }
        return paths;
    };
    // Set only when something is added: a new list empties Qt's cache of looked-up icons.
    if (const QStringList paths = withMissing(QIcon::themeSearchPaths(), iconDirectories);
        paths != QIcon::themeSearchPaths()) {
        QIcon::setThemeSearchPaths(paths);
    }
    if (const QStringList paths = withMissing(QIcon::fallbackSearchPaths(), pixmapDirectories);
        paths != QIcon::fallbackSearchPaths()) {
        QIcon::setFallbackSearchPaths(paths);
    }
    if (QIcon::themeName().isEmpty()) {
        QIcon::setThemeName(QStringLiteral("hicolor"));
    }
    if (QIcon::fallbackThemeName().isEmpty()) {
        QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
    }
}

/// An icon that draws nothing: the last resort when not even the generic icons can be read.
class BlankIcon final : public Image {
public:
    QSizeF size() const override { return {kIconPixelSide, kIconPixelSide}; }
    void draw(QPainter&, const QRectF&) const override {}
};

/// The icon in the file `name` of `directory` (resolved), when the file lies inside it, links resolved.
ImagePtr readContainedIcon(const QString& resolvedDirectory, const QString& name) {
    const QFileInfo file(resolvedDirectory + QLatin1Char('/') + name);
    const QString resolved = file.canonicalFilePath();
    if (resolved.isEmpty() || !isInsideDirectory(resolved, resolvedDirectory) ||
        !QFileInfo(resolved).isFile()) {
        return nullptr;
    }
    return readIconFile(resolved);
}

/// The icon the Info.plist of the bundle (resolved) names under "CFBundleIconFile".
ImagePtr bundleIcon(const QString& bundle) {
    const QString infoPath = bundle + QStringLiteral("/Contents/Info.plist");
    const QString resolvedInfo = QFileInfo(infoPath).canonicalFilePath();
    // Only a regular file of a sane size: a pipe in its place would block the read.
    const QFileInfo infoFile(resolvedInfo);
    if (resolvedInfo.isEmpty() || !isInsideDirectory(resolvedInfo, bundle) || !infoFile.isFile() ||
        infoFile.size() > kPropertyListFileLimit) {
        return nullptr;
    }
    const auto info = readPropertyListFile(resolvedInfo);
    if (!info || !info->root.isDictionary()) {
        return nullptr;
    }
    const PlistValue* value = info->root.asDictionary()->find(QStringLiteral("CFBundleIconFile"));
    const QString* name = value ? value->asString() : nullptr;
    if (!name || !isPlainFileName(*name)) {
        return nullptr;
    }
    const QString resources = QFileInfo(bundle + QStringLiteral("/Contents/Resources")).canonicalFilePath();
    if (!isInsideDirectory(resources, bundle)) {
        return nullptr;
    }
    const QString suffix = QFileInfo(*name).suffix().toLower();
    const QStringList candidates =
        suffix == QLatin1String("icns") || suffix == QLatin1String("png")
            ? QStringList{*name}
            : QStringList{*name + QStringLiteral(".icns"), *name + QStringLiteral(".png"), *name};
    for (const QString& candidate : candidates) {
        if (ImagePtr icon = readContainedIcon(resources, candidate)) {
            return icon;
        }
    }
    return nullptr;
}

/// The custom icon kept in the attribute of a file that is not a directory.
ImagePtr attributeIcon(const QString& resolvedFile) {
    const QByteArray file = QFile::encodeName(resolvedFile);
    const ssize_t size = ::getxattr(file.constData(), kCustomIconAttribute, nullptr, 0);
    if (size <= 0 || size > kMaximumIconFileBytes) {
        return nullptr;
    }
    QByteArray data(static_cast<qsizetype>(size), '\0');
    const ssize_t read = ::getxattr(file.constData(), kCustomIconAttribute, data.data(), data.size());
    if (read <= 0) {
        return nullptr;
    }
    data.truncate(read);
    return readIconData(data);
}

bool isBundle(const QString& directory) {
    return QFileInfo(directory + QStringLiteral("/Contents/Info.plist")).exists();
}

std::optional<QByteArray> pngData(const Image& image) {
    const QImage bitmap = rasterize(image, QSize(kIconPixelSide, kIconPixelSide));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    // Quality 0 is PNG's strongest compression: an icon written to an attribute must stay small.
    if (!bitmap.save(&buffer, "PNG", 0)) {
        return std::nullopt;
    }
    return data;
}

bool writeDirectoryIcon(const QByteArray& data, const QString& directory) {
    const QString iconPath = directory + QLatin1Char('/') + QLatin1String(kCustomIconFileName);
    const QByteArray encoded = QFile::encodeName(iconPath);
    struct stat existing {};
    if (::lstat(encoded.constData(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        return false;
    }
    // A link at the name is replaced, never written through.
    return !writeFileAtomically(iconPath, data);
}

bool writeAttributeIcon(const QByteArray& data, const QString& file) {
    return ::lsetxattr(QFile::encodeName(file).constData(), kCustomIconAttribute, data.constData(),
                       static_cast<size_t>(data.size()), 0) == 0;
}

} // namespace

ImagePtr readIconData(const QByteArray& data) {
    if (data.size() > kMaximumIconFileBytes) {
        return nullptr;
    }
    return readIconFileData(data);
}

ImagePtr readIconFile(const QString& path) {
    // A regular file only (links followed): opening a pipe or a device would block or never end.
    const BoundedFileRead file = readBoundedFile(path, kMaximumIconFileBytes);
    if (file.status != BoundedFileRead::Status::Read) {
        return nullptr;
    }
    return readIconData(file.bytes);
}

LinuxWorkspaceIcons::LinuxWorkspaceIcons(QString resourcesDirectory)
    : m_resourcesDirectory(std::move(resourcesDirectory)) {}

ImagePtr LinuxWorkspaceIcons::iconForFile(const QString& path) const {
    if (isDesktopEntryPath(path)) {
        if (ImagePtr icon = desktopEntryIcon(path)) {
            return icon;
        }
        return genericIcon(kGenericApplicationIconFileName);
    }
    const QString resolved = path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
    if (resolved.isEmpty()) {
        // Gone (or never there): an application that was deleted still looks like one.
        return genericIcon(path.endsWith(QLatin1String(".app"), Qt::CaseInsensitive)
                               ? kGenericApplicationIconFileName
                               : kGenericDocumentIconFileName);
    }
    const QFileInfo info(resolved);
    if (!info.isDir()) {
        if (ImagePtr custom = attributeIcon(resolved)) {
            return custom;
        }
        return genericIcon(kGenericDocumentIconFileName);
    }
    if (ImagePtr custom = readContainedIcon(resolved, QLatin1String(kCustomIconFileName))) {
        return custom;
    }
    if (!isBundle(resolved)) {
        return genericIcon(kGenericFolderIconFileName);
    }
    if (ImagePtr icon = bundleIcon(resolved)) {
        return icon;
    }
    return genericIcon(kGenericApplicationIconFileName);
}

bool LinuxWorkspaceIcons::setIcon(const Image& image, const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    struct stat target {};
    if (::lstat(QFile::encodeName(path).constData(), &target) != 0) {
        return false;
    }
    if (!S_ISDIR(target.st_mode) && !S_ISREG(target.st_mode)) {
        // A link among them: it is never followed.
        return false;
    }
    const std::optional<QByteArray> data = pngData(image);
    if (!data) {
        return false;
    }
    return S_ISDIR(target.st_mode) ? writeDirectoryIcon(*data, path) : writeAttributeIcon(*data, path);
}

ImagePtr LinuxWorkspaceIcons::desktopEntryIcon(const QString& path) const {
    const std::optional<DesktopEntryIcon> source = tessly::desktopEntryIcon(path);
    if (!source) {
        return nullptr;
    }
    if (!source->filePath.isEmpty()) {
        return readIconFile(source->filePath);
    }
    if (!m_iconThemePrepared) {
        prepareIconTheme();
        m_iconThemePrepared = true;
    }
    for (const QString& name : source->themeNames) {
        if (QIcon::hasThemeIcon(name)) {
            return std::make_shared<ThemeIcon>(QIcon::fromTheme(name));
        }
    }
    return nullptr;
}

ImagePtr LinuxWorkspaceIcons::genericIcon(const char* fileName) const {
    const QString name = QLatin1String(fileName);
    if (const auto cached = m_genericIcons.constFind(name); cached != m_genericIcons.cend()) {
        return cached.value();
    }
    ImagePtr icon = readIconFile(m_resourcesDirectory + QLatin1Char('/') + name);
    if (!icon) {
        icon = std::make_shared<BlankIcon>();
    }
    m_genericIcons.insert(name, icon);
    return icon;
}

} // namespace tessly
