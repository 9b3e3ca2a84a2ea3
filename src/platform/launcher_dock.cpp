#include "platform/launcher_dock.h"

#include <algorithm>

namespace tessly {

namespace {

/// Whether the colon-separated desktop list names GNOME ("ubuntu:GNOME", "GNOME-Classic:GNOME", "gnome").
bool namesGnome(const QString& currentDesktop) {
    const QStringList desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return std::any_of(desktops.begin(), desktops.end(), [](const QString& desktop) {
        return desktop.trimmed().compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0;
    });
}

} // namespace

std::optional<DockKind> chooseDock(bool standInOnBus, bool plankOnBus, const QString& currentDesktop,
                                   bool gnomeShellSchemaInstalled) {
    if (standInOnBus) {
        return DockKind::standIn;
    }
    if (plankOnBus) {
        return DockKind::plank;
    }
    if (gnomeShellSchemaInstalled && namesGnome(currentDesktop)) {
        return DockKind::gnome;
    }
    return std::nullopt;
}

} // namespace tessly
