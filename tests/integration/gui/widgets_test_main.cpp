// The entry point of the widget adapters' tests: a QApplication on the offscreen platform with two screens,
// the primary one below the top of the desktop and narrower than the second (so that y-up conversions that
// took the wrong screen or the desktop's height show), a throw-away HOME, and a fixed locale.
#include "support/test_environment.h"

#include <QApplication>
#include <QFile>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    auto home = tessly::testing::prepareTestEnvironment();
    if (!home) {
        return 2;
    }
    // Primary "A" at (0, 200) 1440 x 900 and "B" at (1440, 0) 1280 x 1100, in Qt's y-down coordinates.
    const QString config = home->filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(R"({"windowFrameMargins": false, "screens": [
            {"name": "A", "x": 0, "y": 200, "width": 1440, "height": 900, "logicalDpi": 96, "logicalBaseDpi": 96},
            {"name": "B", "x": 1440, "y": 0, "width": 1280, "height": 1100, "logicalDpi": 96, "logicalBaseDpi": 96}
        ]})") < 0) {
        return 2;
    }
    file.close();
    setenv("QT_QPA_PLATFORM", QFile::encodeName("offscreen:configfile=" + config).constData(), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
