#include "platform/bounded_file.h"

#include "base/bounded_read.h"

#include <QFile>

#include <cstring>

// POSIX calls (base/bounded_read.h), which every platform the program runs on has: Qt's files cannot be
// opened without blocking.

namespace tessly {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

BoundedFileRead readBoundedFile(const QString& path, qint64 maximumBytes) {
    BoundedFileRead result;
    int error = 0;
    switch (readRegularFile(QFile::encodeName(path).constData(), maximumBytes, result.bytes, error)) {
    case RegularFileRead::read:
        result.status = BoundedFileRead::Status::Read;
        return result;
    case RegularFileRead::missing:
        return result;
    case RegularFileRead::folder:
        result.error = QStringLiteral("it is a folder, not a file");
        break;
    case RegularFileRead::notRegular:
        result.error = QStringLiteral("it is not a regular file");
        break;
    case RegularFileRead::tooLarge:
        result.error = QStringLiteral("it is larger than %1 bytes").arg(maximumBytes);
        break;
    case RegularFileRead::failed:
        result.error = systemError(error);
        break;
    }
    result.status = BoundedFileRead::Status::Unreadable;
    return result;
}

} // namespace tessly
