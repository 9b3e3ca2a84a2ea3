// How the tests start a virtual X server of their own (Xvfb), with or without the rest of a desktop.
//
//     server.start(QStandardPaths::findExecutable("Xvfb"), virtualServerArguments("800x600"));
//     // its display number is the first line the server writes
#pragma once

#include <QString>
#include <QStringList>

namespace tessly::testing {

/// A display number of its own written to standard output, no network, one screen of `size` ("1280x800"), and
/// no reset when its last client goes: a reset closes and reopens the server's socket, so a program that
/// connects just then (a helper started right after the others ended) finds no display.
[[nodiscard]] inline QStringList virtualServerArguments(const QString& size) {
    return {"-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0", size + "x24"};
}

} // namespace tessly::testing
