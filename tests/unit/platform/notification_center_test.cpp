#include "platform/notification_center.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace tessly {
namespace {

TEST(NotificationCenter, DeliversByNameInOrderWithTheObject) {
    NotificationCenter center;
    QStringList heard;
    center.addObserver("a", [&](const Notification& n) { heard.append("first " + n.object.toString()); });
    center.addObserver("b", [&](const Notification&) { heard.append("other"); });
    center.addObserver("a", [&](const Notification& n) { heard.append("second " + n.name); });
    center.post("a", QStringLiteral("x"));
    EXPECT_EQ(heard, QStringList({"first x", "second a"}));
}

TEST(NotificationCenter, ObserversMayChangeTheListWhileADeliveryRuns) {
    NotificationCenter center;
    QStringList heard;
    ObserverToken second = 0;
    ObserverToken self = 0;
    self = center.addObserver("n", [&](const Notification&) {
        heard.append("first");
        center.removeObserver(self);   // removes itself while running
        center.removeObserver(second); // and one that has not had its turn
        center.addObserver("n", [&](const Notification&) { heard.append("added"); });
    });
    second = center.addObserver("n", [&](const Notification&) { heard.append("second"); });
    center.post("n");
    EXPECT_EQ(heard, QStringList({"first"}));
    center.post("n");
    EXPECT_EQ(heard, QStringList({"first", "added"}));
    center.removeObserver(self); // twice is harmless
    EXPECT_EQ(center.observerCountForTesting(), 1u);
}

} // namespace
} // namespace tessly
