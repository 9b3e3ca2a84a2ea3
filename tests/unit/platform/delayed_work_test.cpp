#include "platform/main_queue.h"
#include "support/virtual_time.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessly {
namespace {

using testing::VirtualTime;

TEST(DelayedWork, ANewStartReplacesThePendingRunAndDestructionCancelsIt) {
    VirtualTime time;
    int runs = 0;
    {
        DelayedWork work(time);
        work.start(0.2, [&] { runs += 1; });
        time.advance(0.1);
        work.start(0.2, [&] { runs += 10; }); // a debounce: only the last start runs, 0.2 s after it
        time.advance(0.15);
        EXPECT_EQ(runs, 0);
        EXPECT_TRUE(work.isPending());
        time.advance(0.05);
        EXPECT_EQ(runs, 10);
        EXPECT_FALSE(work.isPending());

        work.start(1.0, [&] { runs += 100; });
        work.stop();
        EXPECT_FALSE(work.isPending());
        time.advance(2.0);
        EXPECT_EQ(runs, 10);

        work.start(1.0, [&] { runs += 1000; });
    } // the owner goes, and its work with it
    time.advance(2.0);
    EXPECT_EQ(runs, 10);
    EXPECT_EQ(time.pendingCount(), 0U);
}

TEST(DelayedWork, StartUnlessPendingKeepsThePendingRunSoRequestsNeverPostponeIt) {
    VirtualTime time;
    int runs = 0;
    DelayedWork work(time);
    work.startUnlessPending(0.1, [&] { runs += 1; });
    for (int i = 0; i < 9; ++i) {
        time.advance(0.01);
        work.startUnlessPending(0.1, [&] { runs += 10; });
    }
    time.advance(0.01);
    EXPECT_EQ(runs, 1) << "the first request's run, 0.1 s after it";
    work.startUnlessPending(0.1, [&] { runs += 100; });
    time.advance(0.1);
    EXPECT_EQ(runs, 101) << "once it has run, the next request starts another";
}

TEST(DelayedWork, TheBlockMayStartItsOwnWorkAgainOrDestroyIt) {
    VirtualTime time;
    int ticks = 0;
    DelayedWork repeating(time);
    std::function<void()> tick = [&] {
        if (++ticks < 3) {
            repeating.start(1.0, tick);
        }
    };
    repeating.start(1.0, tick);
    time.advance(5.0);
    EXPECT_EQ(ticks, 3);

    auto owned = std::make_unique<DelayedWork>(time);
    bool ran = false;
    owned->start(0.5, [&] {
        owned.reset(); // the owner goes while its work runs
        ran = true;
    });
    time.advance(1.0);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(owned);
}

} // namespace
} // namespace tessly
