// Reading a file that any program of the session may have put in its place, without Qt: the rules of
// platform/bounded_file.h (opened without blocking, a regular file only, no more than a cap), for the
// program's reader and for the Dock tile plug-in and its host alike.
//
//     std::string bytes;
//     int error = 0;
//     if (readRegularFile(path, kPropertyListFileBytes, bytes, error) == RegularFileRead::read) {
//     parse(bytes); }
//
// A plain function template over the byte container (anything with size, reserve, append and clear); call it
// from any thread.
#pragma once

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessly {

/// The largest property list file that is read (user defaults, Info.plist files, the Dock's preferences).
inline constexpr std::int64_t kPropertyListFileBytes = 8 * 1024 * 1024;

enum class RegularFileRead {
    /// The container holds the whole file.
    read,
    /// Nothing at the path, a dangling link, or a path through something that is no folder.
    missing,
    folder,
    notRegular,
    tooLarge,
    /// A call failed; the error holds its errno.
    failed,
};

/// Reads the regular file at `path` (links followed) into `bytes` if it holds at most `maximumBytes`.
template <typename Bytes>
[[nodiscard]] RegularFileRead readRegularFile(const char* path, std::int64_t maximumBytes, Bytes& bytes,
                                              int& error) {
    bytes.clear();
    error = 0;
    if (!path || !*path) {
        return RegularFileRead::missing;
    }
    // Without blocking: opening a named pipe for reading would otherwise wait for a writer for ever.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = errno;
        return error == ENOENT || error == ENOTDIR ? RegularFileRead::missing : RegularFileRead::failed;
    }
    const auto finish = [&](RegularFileRead result) {
        ::close(fd);
        if (result != RegularFileRead::read) {
            bytes.clear();
        }
        return result;
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = errno;
        return finish(RegularFileRead::failed);
    }
    if (!S_ISREG(info.st_mode)) {
        return finish(S_ISDIR(info.st_mode) ? RegularFileRead::folder : RegularFileRead::notRegular);
    }
    if (info.st_size > maximumBytes) {
        return finish(RegularFileRead::tooLarge);
    }
    // The size is a hint only: the file may grow while it is read, and files of /proc report none.
    bytes.reserve(static_cast<decltype(bytes.size())>(info.st_size) + 1);
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return finish(RegularFileRead::failed);
        }
        if (count == 0) {
            return finish(RegularFileRead::read);
        }
        if (static_cast<std::int64_t>(bytes.size()) + count > maximumBytes) {
            return finish(RegularFileRead::tooLarge);
        }
        bytes.append(buffer, static_cast<decltype(bytes.size())>(count));
    }
}

} // namespace tessly
