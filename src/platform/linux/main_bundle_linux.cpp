#include "platform/linux/main_bundle_linux.h"

#include <QDir>
#include <QFileInfo>

namespace tessly {

std::optional<QString> enclosingBundlePath(const QString& executablePath) {
    QDir dir = QFileInfo(executablePath).absoluteDir();
    // Contents/MacOS/<executable>: the bundle is two levels up from the executable's folder.
    if (dir.dirName() != QLatin1String("MacOS") || !dir.cdUp() ||
        dir.dirName() != QLatin1String("Contents") || !dir.cdUp() ||
        !dir.dirName().endsWith(QLatin1String(".app"))) {
        return std::nullopt;
    }
    return dir.absolutePath();
}

std::optional<MainBundle> locateMainBundle(const QStringList& arguments) {
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (executable.isEmpty()) {
        return std::nullopt;
    }
    auto bundlePath = enclosingBundlePath(executable);
    if (!bundlePath) {
        return std::nullopt;
    }
    return MainBundle(*bundlePath, arguments);
}

} // namespace tessly
