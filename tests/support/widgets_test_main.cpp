// The entry point of test programs with widgets: a Qt Widgets application on the offscreen platform, in the
// test environment.
#include "support/test_environment.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const auto home = tessly::testing::prepareTestEnvironment(QByteArrayLiteral("offscreen"));
    if (!home) {
        return 2;
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
