// What every test program sets up before its Qt application exists: a throw-away HOME, so that nothing a test
// does can reach the machine's real home folder, a fixed locale, and for programs that draw the offscreen
// platform (no display needed).
//
//     int main(int argc, char** argv) {
//         const auto home = prepareTestEnvironment(QByteArrayLiteral("offscreen"));
//         if (!home) return 2;
//         QGuiApplication app(argc, argv);
//         ...
//
// Main thread only, before the application object.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace tessly::testing {

/// The temporary home (keep it until the tests end), or nothing when it could not be made. `platform`, when
/// given, is the Qt platform to draw on ("offscreen", or "offscreen:configfile=…").
[[nodiscard]] inline std::unique_ptr<QTemporaryDir> prepareTestEnvironment(const QByteArray& platform = {}) {
    auto home =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tessly-test-home-XXXXXX"));
    if (!home->isValid()) {
        return nullptr;
    }
    setenv("HOME", QFile::encodeName(home->path()).constData(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    if (!platform.isEmpty()) {
        setenv("QT_QPA_PLATFORM", platform.constData(), 1);
    }
    return home;
}

} // namespace tessly::testing
