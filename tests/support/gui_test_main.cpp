// The entry point of test programs that draw: a Qt Gui application on the offscreen platform, in the test
// environment.
#include "support/test_environment.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const auto home = tessly::testing::prepareTestEnvironment(QByteArrayLiteral("offscreen"));
    if (!home) {
        return 2;
    }
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
