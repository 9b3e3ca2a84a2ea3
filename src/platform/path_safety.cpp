#include "platform/path_safety.h"

namespace tessly {

bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && !name.startsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('/')) &&
           !name.contains(QChar(u'\0'));
}

bool isInsideDirectory(const QString& resolvedPath, const QString& resolvedDirectory) {
    if (resolvedPath.isEmpty() || resolvedDirectory.isEmpty()) {
        return false;
    }
    // The root holds everything but itself; any other directory is compared with its separator, so that
    // "/a/bc" is not inside "/a/b".
    const QString prefix = resolvedDirectory.endsWith(QLatin1Char('/'))
                               ? resolvedDirectory
                               : resolvedDirectory + QLatin1Char('/');
    return resolvedPath.size() > prefix.size() && resolvedPath.startsWith(prefix);
}

} // namespace tessly
