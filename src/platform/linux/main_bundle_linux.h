// Finding the bundle of the running executable.
//
//     std::optional<MainBundle> bundle = locateMainBundle(QCoreApplication::arguments());
//
// The executable is "<bundle>.app/Contents/MacOS/<name>"; the bundle is the nearest enclosing ".app"
// directory of /proc/self/exe. Main thread only.
#pragma once

#include "platform/main_bundle.h"

#include <optional>

namespace tessly {

/// The enclosing ".app" directory of `executablePath`, or nothing when it is not inside one.
[[nodiscard]] std::optional<QString> enclosingBundlePath(const QString& executablePath);

/// The command installed beside the bundle that starts it: "<prefix>/bin/<executable in lower case>" for a
/// bundle installed as "<prefix>/lib/<directory>/<name>.app", when that command leads to the bundle's own
/// executable. Nothing for a bundle anywhere else (a build tree, a helper's copy).
[[nodiscard]] std::optional<QString> installedCommandOf(const QString& bundlePath,
                                                        const QString& executablePath);

/// The running process's bundle, or nothing when the executable does not sit in a bundle.
[[nodiscard]] std::optional<MainBundle> locateMainBundle(const QStringList& arguments);

} // namespace tessly
