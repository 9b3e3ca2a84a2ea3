// The test programs' entry point: a Qt application object for event-loop tests, in the test environment.
#include "support/test_environment.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const auto home = tessly::testing::prepareTestEnvironment();
    if (!home) {
        return 2;
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
