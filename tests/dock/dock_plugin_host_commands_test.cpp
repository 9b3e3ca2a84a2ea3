// How the plug-in host reads the Dock's commands: whole lines however the reads cut them, and what is no
// command named and skipped without losing the commands around it.
#include "dock_plugin_host_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tessly::dock {
namespace {

using Heard = std::vector<std::pair<HostCommand, std::string>>;

/// Feeds `input` in pieces of `piece` bytes and returns every command heard.
Heard feedInPieces(HostCommandReader& reader, const std::string& input, std::size_t piece) {
    Heard heard;
    for (std::size_t at = 0; at < input.size(); at += piece) {
        const std::string part = input.substr(at, piece);
        reader.feed(part.data(), part.size(), [&](HostCommand command, std::string_view line) {
            heard.emplace_back(command, std::string(line));
        });
    }
    return heard;
}

TEST(DockPlugInHostCommandsTest, CommandsCutAcrossReadsArriveWholeAndInOrder) {
    const std::string input = "hold\ndrop\nhold\n";
    const Heard expected{
        {HostCommand::hold, "hold"}, {HostCommand::drop, "drop"}, {HostCommand::hold, "hold"}};
    for (std::size_t piece = 1; piece <= input.size(); ++piece) {
        HostCommandReader reader;
        EXPECT_EQ(feedInPieces(reader, input, piece), expected) << "pieces of " << piece;
        EXPECT_FALSE(reader.hasPartialLine());
    }
    HostCommandReader reader;
    EXPECT_TRUE(feedInPieces(reader, "hold\ndr", 7).size() == 1);
    EXPECT_TRUE(reader.hasPartialLine()) << "\"dr\" waits for the rest of its line";
}

TEST(DockPlugInHostCommandsTest, WhatIsNoCommandIsSkippedAndTheCommandsAroundItCount) {
    HostCommandReader reader;
    const std::string overlong(HostCommandReader::kMaximumLine + 10, 'h');
    const Heard heard = feedInPieces(reader, "hold\nHOLD\nhold \n\n" + overlong + "\nholdx\ndrop\n", 5);
    ASSERT_EQ(heard.size(), 7u);
    EXPECT_EQ(heard[0].first, HostCommand::hold);
    for (std::size_t i = 1; i < 6; ++i) {
        EXPECT_EQ(heard[i].first, HostCommand::unknown) << heard[i].second;
    }
    EXPECT_EQ(heard[1].second, "HOLD");
    EXPECT_EQ(heard[4].second, overlong.substr(0, HostCommandReader::kMaximumLine)) << "cut, not kept whole";
    EXPECT_EQ(heard[6].first, HostCommand::drop);
}

} // namespace
} // namespace tessly::dock
