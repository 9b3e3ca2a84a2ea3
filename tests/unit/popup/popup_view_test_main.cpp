// The entry point of the popup's widget tests: a Qt Widgets application on the offscreen platform (no display
// needed), a throw-away HOME, and a fixed locale.
#include <QApplication>
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
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
