#include "platform/guarded.h"
#include "platform/scoped_observer.h"

#include <QObject>

#include <gtest/gtest.h>

#include <memory>

namespace tessly {
namespace {

TEST(ScopedObserver, AnObservationEndsWithItsOwnerAndMovesWithoutEndingTwice) {
    NotificationCenter center;
    int heard = 0;
    {
        ScopedObserver<NotificationCenter> first(
            center, center.addObserver("n", [&](const Notification&) { ++heard; }));
        ScopedObserver<NotificationCenter> moved = std::move(first);
        center.post("n");
        EXPECT_EQ(heard, 1) << "one observation, held by the one it moved to";
        ScopedObserver<NotificationCenter> replaced(center,
                                                    center.addObserver("n", [](const Notification&) {}));
        replaced = std::move(moved);
        EXPECT_EQ(center.observerCountForTesting(), 1u) << "the replaced observation ended";
    }
    EXPECT_EQ(center.observerCountForTesting(), 0u);
    center.post("n");
    EXPECT_EQ(heard, 1);
}

TEST(Guarded, WorkForAnOwnerThatIsGoneDoesNothing) {
    auto owner = std::make_unique<QObject>();
    int sum = 0;
    auto add = guarded(owner.get(), [&sum](int value) { sum += value; });
    add(2);
    EXPECT_EQ(sum, 2);
    owner.reset();
    add(3);
    EXPECT_EQ(sum, 2);
}

} // namespace
} // namespace tessly
