#include "platform/instance_lock.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace tessly {
namespace {

TEST(InstanceLock, OneHolderAtATimeAndTheLockGoesWithItsHolder) {
    testing::TempHome home;
    const QString path = home.path() + "/Library/Application Support/Tessly/Main.lock";
    std::optional<InstanceLock> first = InstanceLock::tryAcquire(path);
    ASSERT_TRUE(first) << "the folders on the way are made";
    EXPECT_FALSE(InstanceLock::tryAcquire(path)) << "a second main application finds the first";
    std::optional<InstanceLock> moved = std::move(first);
    first.reset();
    EXPECT_FALSE(InstanceLock::tryAcquire(path)) << "a moved lock is still held";
    moved.reset();
    EXPECT_TRUE(InstanceLock::tryAcquire(path));

    // A link at the lock's place is not followed.
    const QString link = home.path() + "/link.lock";
    ASSERT_EQ(::symlink(QFile::encodeName(home.path() + "/elsewhere").constData(),
                        QFile::encodeName(link).constData()),
              0);
    EXPECT_FALSE(InstanceLock::tryAcquire(link));
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/elsewhere"));
}

} // namespace
} // namespace tessly
