// A test-made application bundle in a test's home: its executable is the stand-in Dock's test application
// (TESSLY_DOCK_TEST_APPLICATION), which notes each start in "<bundle>.ran" beside the bundle and shows in the
// Dock.
//
//     const QString notes = makeTestApplication(home, "Notes");    // ~/Applications/Notes.app, links
//     resolved
#pragma once

#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tessly::testing {

/// ~/Applications/`name`.app with the identifier "test.e2e.`name`"; its path with links resolved, or nothing
/// when the executable could not be copied.
inline QString makeTestApplication(const TempHome& home, const QString& name) {
    const QString bundle = home.path() + "/Applications/" + name + ".app";
    home.write("Applications/" + name + ".app/Contents/Info.plist",
               QString(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>CFBundleExecutable</key><string>App</string>
<key>CFBundleIdentifier</key><string>test.e2e.%1</string><key>CFBundleName</key><string>%1</string></dict></plist>)")
                   .arg(name)
                   .toUtf8());
    QDir().mkpath(bundle + "/Contents/MacOS");
    if (!QFile::copy(QStringLiteral(TESSLY_DOCK_TEST_APPLICATION), bundle + "/Contents/MacOS/App")) {
        return {};
    }
    return QFileInfo(bundle).canonicalFilePath();
}

} // namespace tessly::testing
