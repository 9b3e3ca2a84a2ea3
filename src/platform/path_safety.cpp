#include "platform/path_safety.h"

#include "base/path_names.h"

// The rules themselves are the Qt-free ones (base/path_names.h) that the Dock tile plug-in uses too, applied
// to the text's UTF-8, in which "/", "." and NUL are the same single bytes.

namespace tessly {

bool isPlainFileName(const QString& name) {
    const QByteArray text = name.toUtf8();
    return isPlainFileName(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

bool isInsideDirectory(const QString& resolvedPath, const QString& resolvedDirectory) {
    const QByteArray path = resolvedPath.toUtf8();
    const QByteArray directory = resolvedDirectory.toUtf8();
    return isInsideDirectory(
        std::string_view(path.constData(), static_cast<std::size_t>(path.size())),
        std::string_view(directory.constData(), static_cast<std::size_t>(directory.size())));
}

} // namespace tessly
