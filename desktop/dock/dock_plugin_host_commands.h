// The plug-in host's reading of the Dock's commands: bytes as they arrive on standard input, split into
// lines however the reads cut them, each line one command (dock_plugin_host_protocol.h).
//
//     HostCommandReader reader;
//     reader.feed(bytes, count, [&](HostCommand command, std::string_view line) { ... });
//
// Without Qt, as the host links none. One reader per input; not shared between threads.
#pragma once

#include "dock_plugin_host_protocol.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tessly::dock {

enum class HostCommand {
    hold,
    drop,
    /// A line that is no command, or one too long to be one: the host says so and reads on.
    unknown,
};

class HostCommandReader {
public:
    /// Longer lines are no command; they are cut here, so that a writer without newlines costs nothing.
    static constexpr std::size_t kMaximumLine = 256;

    /// Takes the next `count` bytes and calls `handle(command, line)` for every line they complete, in
    /// order. The line is given without its newline (cut to kMaximumLine bytes for an over-long one).
    template <typename Handler> void feed(const char* bytes, std::size_t count, Handler&& handle) {
        for (std::size_t i = 0; i < count; ++i) {
            const char c = bytes[i];
            if (c == '\n') {
                handle(m_overlong ? HostCommand::unknown : commandOf(m_line), std::string_view(m_line));
                m_line.clear();
                m_overlong = false;
            } else if (m_line.size() < kMaximumLine) {
                m_line += c;
            } else {
                m_overlong = true;
            }
        }
    }

    /// Whether bytes of an unfinished line wait for their newline (left over when the input ends).
    [[nodiscard]] bool hasPartialLine() const { return !m_line.empty() || m_overlong; }

private:
    static HostCommand commandOf(std::string_view line) {
        if (line == kHostHoldCommand) {
            return HostCommand::hold;
        }
        if (line == kHostDropCommand) {
            return HostCommand::drop;
        }
        return HostCommand::unknown;
    }

    std::string m_line;
    bool m_overlong = false;
};

} // namespace tessly::dock
