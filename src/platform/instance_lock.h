// One process at a time for a role: an advisory lock on a file, held for as long as the lock object lives and
// let go by the system when the process ends in any way (so a crash never leaves a stale lock behind).
//
//     std::optional<InstanceLock> lock = InstanceLock::tryAcquire(paths.applicationSupport() +
//     "/Tessly/Main.lock"); if (!lock) { /* another main application runs: hand over to it and end */ }
//
// A POSIX advisory lock, as every platform the program runs on has. Main thread only.
#pragma once

#include <QString>
#include <optional>

namespace tessly {

class InstanceLock {
public:
    /// Takes the lock on `path` (created when missing) without waiting; nothing when another process holds
    /// it or the file cannot be opened.
    [[nodiscard]] static std::optional<InstanceLock> tryAcquire(const QString& path);

    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

private:
    explicit InstanceLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

} // namespace tessly
