#include "base/atomic_write.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessly {

namespace {

// Six random letters and digits, both cases among them. The kernel's generator, so that two processes
// started at the same moment (every plug-in host of a Dock) draw different names.
std::string temporaryName(const char* destination) {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    constexpr unsigned kLetters = sizeof kAlphabet - 1;
    for (;;) {
        unsigned char random[6] = {};
        if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
            continue;
        }
        std::string name = std::string(destination) + '.';
        bool upper = false;
        bool lower = false;
        for (const unsigned char r : random) {
            // 256 is not a multiple of 62: the first letters come a little more often, which costs nothing
            // for a name that only has to be fresh.
            const char c = kAlphabet[r % kLetters];
            upper = upper || (c >= 'A' && c <= 'Z');
            lower = lower || (c >= 'a' && c <= 'z');
            name += c;
        }
        if (upper && lower) {
            return name;
        }
    }
}

int writeAll(int fd, const char* data, std::size_t left) {
    while (left > 0) {
        const ssize_t count = ::write(fd, data, left);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (count == 0) {
            return ENOSPC;
        }
        data += count;
        left -= static_cast<std::size_t>(count);
    }
    return 0;
}

// Writes the bytes to the open temporary and gives it `mode` when one is kept, until everything is on the
// disk; 0 or the errno of the step that failed.
int fill(int fd, const char* data, std::size_t size, std::optional<mode_t> mode) {
    if (const int error = writeAll(fd, data, size)) {
        return error;
    }
    if (mode && ::fchmod(fd, *mode) != 0) {
        return errno;
    }
    // A file system that allocates late only reports a full disk here, once the data must reach the disk.
    if (::fsync(fd) != 0) {
        return errno;
    }
    struct stat written {};
    if (::fstat(fd, &written) != 0) {
        return errno;
    }
    return static_cast<std::size_t>(written.st_size) == size ? 0 : EIO;
}

// The rename itself reaches the disk with the folder; the file is in place whether or not this succeeds.
void syncFolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const std::string folder = !slash          ? std::string(".")
                               : slash == path ? std::string("/")
                                               : std::string(path, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

} // namespace

int replaceFileAtomically(const char* path, const char* data, std::size_t size) {
    if (!path || !*path) {
        return ENOENT;
    }
    // An existing file keeps its permissions (a preferences file the user made private stays private); a new
    // one gets the defaults the user's umask leaves.
    std::optional<mode_t> keptMode;
    struct stat existing {};
    if (::lstat(path, &existing) == 0 && S_ISREG(existing.st_mode)) {
        keptMode = existing.st_mode & 07777;
    }

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName(path);
        // O_EXCL with O_NOFOLLOW: the temporary name is never something another process put there first.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return errno;
        }
    }
    if (fd < 0) {
        return EEXIST;
    }
    int error = fill(fd, data, size, keptMode);
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), path) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    syncFolderOf(path);
    return 0;
}

} // namespace tessly
