#include "platform/linux/extended_attributes_linux.h"

#include <QFile>

#include <cerrno>
#include <sys/xattr.h>

namespace tessly {

namespace {

// A NUL inside the name would end it early and name another attribute.
bool isAttributeName(const QString& name) {
    return !name.isEmpty() && !name.contains(QChar(0));
}

/// The names in a buffer of NUL-terminated names, as the kernel lists them.
QStringList parseAttributeNames(const QByteArray& buffer) {
    QStringList names;
    for (const QByteArray& name : buffer.split('\0')) {
        if (!name.isEmpty()) {
            names.append(QString::fromUtf8(name));
        }
    }
    return names;
}

} // namespace

QStringList LinuxExtendedAttributes::list(const QString& path) const {
    const QByteArray file = QFile::encodeName(path);
    // The list can grow between asking for its size and reading it; ask again then, a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::llistxattr(file.constData(), nullptr, 0);
        if (size <= 0) {
            return {};
        }
        QByteArray buffer(static_cast<qsizetype>(size), '\0');
        const ssize_t read = ::llistxattr(file.constData(), buffer.data(), buffer.size());
        if (read >= 0) {
            buffer.truncate(read);
            return parseAttributeNames(buffer);
        }
        if (errno != ERANGE) {
            return {};
        }
    }
    return {};
}

bool LinuxExtendedAttributes::remove(const QString& path, const QString& name) {
    if (!isAttributeName(name)) {
        return false;
    }
    return ::lremovexattr(QFile::encodeName(path).constData(), name.toUtf8().constData()) == 0;
}

bool LinuxExtendedAttributes::set(const QString& path, const QString& name, const QByteArray& value) {
    if (!isAttributeName(name)) {
        return false;
    }
    return ::lsetxattr(QFile::encodeName(path).constData(), name.toUtf8().constData(), value.constData(),
                       static_cast<std::size_t>(value.size()), 0) == 0;
}

} // namespace tessly
