#include "platform/linux/main_bundle_linux.h"

#include <QDir>
#include <QFileInfo>

namespace tessly {

std::optional<QString> enclosingBundlePath(const QString& executablePath) {
    // Contents/MacOS/<executable>: the bundle is three components up, and its name ends in ".app".
    const QStringList parts =
        QDir::cleanPath(QFileInfo(executablePath).absoluteFilePath()).split(QLatin1Char('/'));
    const qsizetype n = parts.size();
    if (n < 5 || parts.at(n - 2) != QLatin1String("MacOS") || parts.at(n - 3) != QLatin1String("Contents") ||
        !parts.at(n - 4).endsWith(QLatin1String(".app")) || parts.at(n - 4).size() <= 4) {
        return std::nullopt;
    }
    return parts.mid(0, n - 3).join(QLatin1Char('/'));
}

std::optional<QString> installedCommandOf(const QString& bundlePath, const QString& executablePath) {
    const QString command = QDir::cleanPath(bundlePath + QStringLiteral("/../../../bin/") +
                                            QFileInfo(executablePath).fileName().toLower());
    const QString leadsTo = QFileInfo(command).canonicalFilePath();
    if (leadsTo.isEmpty() || leadsTo != QFileInfo(executablePath).canonicalFilePath() ||
        QFileInfo(QDir::cleanPath(bundlePath + QStringLiteral("/../.."))).fileName() !=
            QLatin1String("lib")) {
        return std::nullopt;
    }
    return command;
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
