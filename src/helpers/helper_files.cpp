#include "helpers/helper_files.h"

#include "helpers/helper_manager.h"
#include "platform/path_safety.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace tessly::helper_files {

namespace {

namespace fs = std::filesystem;

fs::path fsPath(const QString& path) {
    return fs::path(path.toStdString());
}

QString describe(const fs::path& path, const std::error_code& error) {
    return QString::fromStdString(path.string()) + QStringLiteral(": ") +
           QString::fromStdString(error.message());
}

/// The modification date of `from` given to `to`.
void keepModificationTime(const fs::path& from, const fs::path& to, std::error_code& error) {
    const fs::file_time_type time = fs::last_write_time(from, error);
    if (!error) {
        fs::last_write_time(to, time, error);
    }
}

// Copies one item; on failure `failed` names it. The dates are kept because they are how an installed update
// is told from the copy of the one before: an update put in place by a package manager, tar or rsync keeps
// the dates it was built with, which are older than today.
std::error_code copyItem(const fs::path& from, const fs::path& to, fs::path& failed) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(from, error);
    if (!error) {
        switch (status.type()) {
        case fs::file_type::symlink:
            fs::copy_symlink(from, to, error);
            break;
        case fs::file_type::regular:
            fs::copy_file(from, to, fs::copy_options::none, error);
            if (!error) {
                keepModificationTime(from, to, error);
            }
            break;
        case fs::file_type::directory:
            // Created writable: a read-only folder gets its own permissions once its content is in.
            if (!fs::create_directory(to, error)) {
                if (!error) {
                    error = std::make_error_code(std::errc::file_exists);
                }
                break;
            }
            for (fs::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
                if (const std::error_code inner = copyItem(it->path(), to / it->path().filename(), failed)) {
                    return inner;
                }
            }
            if (!error) {
                fs::permissions(to, status.permissions(), error);
            }
            // Last: adding the content changed the folder's date.
            if (!error) {
                keepModificationTime(from, to, error);
            }
            break;
        default:
            // A pipe, a socket or a device has no place in a bundle and cannot be copied as a file.
            error = std::make_error_code(std::errc::not_supported);
            break;
        }
    }
    if (error) {
        failed = from;
    }
    return error;
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
    return isInsideDirectory(canonicalPath(path), canonicalPath(directory));
}

std::optional<QString> copyTree(const QString& from, const QString& to) {
    fs::path failed;
    if (const std::error_code error = copyItem(fsPath(from), fsPath(to), failed)) {
        return describe(failed, error);
    }
    return std::nullopt;
}

std::optional<QString> forEachItemBelow(const QString& root,
                                        const std::function<void(const QString&)>& visit) {
    std::optional<QString> failure;
    std::vector<fs::path> folders{fsPath(root)};
    while (!folders.empty()) {
        const fs::path folder = std::move(folders.back());
        folders.pop_back();
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            visit(QString::fromStdString(it->path().string()));
            std::error_code ignored;
            if (it->symlink_status(ignored).type() == fs::file_type::directory) {
                folders.push_back(it->path());
            }
        }
        if (error && !failure) {
            failure = describe(folder, error);
        }
    }
    return failure;
}

} // namespace tessly::helper_files
