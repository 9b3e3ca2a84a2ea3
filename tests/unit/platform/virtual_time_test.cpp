// The virtual-time double is what every timing test stands on, so its ordering rules are checked here.
#include "support/virtual_time.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace tessly::testing {
namespace {

TEST(VirtualTime, RunsDueItemsInTimeThenSchedulingOrder) {
    VirtualTime time;
    const Date start = time.now();
    QStringList ran;
    time.asyncAfter(2.0, [&] { ran.append("late"); });
    time.asyncAfter(1.0, [&] { ran.append("early"); });
    time.asyncAfter(1.0, [&] { ran.append("early too"); });
    auto cancelled = time.asyncAfter(0.5, [&] { ran.append("cancelled"); });
    cancelled->cancel();
    time.async([&] {
        ran.append("now");
        // Scheduled while running: due at 0.0 + 1.5, inside the span being advanced.
        time.asyncAfter(1.5, [&] { ran.append(QString::number(time.now().timeIntervalSince(start))); });
    });
    EXPECT_EQ(time.pendingCount(), 4u);
    EXPECT_EQ(time.nextDelay(), 0.0);

    time.advance(1.9);
    EXPECT_EQ(ran, QStringList({"now", "early", "early too", "1.5"}));
    EXPECT_NEAR(time.now().timeIntervalSince(start), 1.9, 1e-6);
    EXPECT_DOUBLE_EQ(*time.nextDelay(), 0.1);
    time.advance(0.1);
    EXPECT_EQ(ran.last(), "late");
    EXPECT_EQ(time.pendingCount(), 0u);
    EXPECT_FALSE(time.nextDelay());
}

} // namespace
} // namespace tessly::testing
