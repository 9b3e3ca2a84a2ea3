// The records of what the user organises: an application entry, a folder of applications and its tile style.
//
//     AppFolder folder{makeUuid(), "Work", "briefcase", {}, false, TileStyleSettings{}, clock.now()};
//     folder.apps.push_back(AppItem{makeUuid(), "Mail", "com.example.mail", QUrl("file:///M.app/")});
//
// Plain values, copied on assignment; use them from any thread. Their JSON form is in folder_json.h.
#pragma once

#include "model/enumerations.h"
#include "platform/date.h"

#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QUrl>
#include <QUuid>
#include <optional>

namespace tessly {

/// One application in a folder or in the application picker. Equal only when all four fields are.
struct AppItem {
    QUuid id;
    QString name;
    QString bundleID;
    QUrl appURL;

    friend bool operator==(const AppItem&, const AppItem&) = default;
};

[[nodiscard]] size_t qHash(const AppItem& item, size_t seed = 0) noexcept;

/// A folder's own tile appearance; the defaults are those of a new folder.
struct TileStyleSettings {
    bool displayFolderIcon = false;
    double opacity = 0.64;
    double cornerRadius = 12.0;
    TileBackground backgroundStyle = TileBackground::light;
    /// RRGGBB for the custom background; absent unless chosen.
    std::optional<QString> customHex;
    TileBackgroundMode backgroundMode = TileBackgroundMode::gradient;
    bool borderEnabled = false;
    double borderWidth = 3.0;
    double borderOpacity = 1.0;

    friend bool operator==(const TileStyleSettings&, const TileStyleSettings&) = default;
};

/// One folder, identified by `id` (the type has no equality of its own: compare ids or chosen fields).
struct AppFolder {
    QUuid id;
    QString name;
    QString emoji = QStringLiteral("folder.fill");
    QList<AppItem> apps;
    bool isInDock = false;
    TileStyleSettings tileStyle;
    Date createdAt;
};

} // namespace tessly
