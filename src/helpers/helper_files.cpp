#include "helpers/helper_files.h"

#include "helpers/helper_manager.h"

#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace tessly::helper_files {

namespace {

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

} // namespace

void removeTree(const QString& path) {
    std::error_code ignored;
    std::filesystem::remove_all(fsPath(path), ignored);
}

bool existsOrIsLink(const QString& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(fsPath(path), ignored));
}

bool staysInside(const QString& path, const QString& directory) {
    return canonicalPath(path).startsWith(canonicalPath(directory) + QLatin1Char('/'));
}

std::optional<QString> copyTree(const QString& from, const QString& to) {
    std::error_code error;
    std::filesystem::copy(
        fsPath(from), fsPath(to),
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks, error);
    if (error) {
        return QString::fromStdString(error.message());
    }
    return std::nullopt;
}

bool writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace tessly::helper_files
