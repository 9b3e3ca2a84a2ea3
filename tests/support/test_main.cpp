// The test programs' entry point: a Qt application object for event-loop tests, and a throw-away HOME so that
// nothing a test does can reach the machine's real home folder.
#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tessly-test-home-XXXXXX"));
    if (!home.isValid()) {
        return 2;
    }
    setenv("HOME", QFile::encodeName(home.path()).constData(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
