// A bundle in a test's home with the program's own string tables (English and Ukrainian) and a version, so
// that views show the texts a user reads.
//
//     MainBundle bundle{makeStringTableBundle(home), {}};
//     Localization l10n(settings, bundle);
#pragma once

#include "platform/property_list.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>

namespace tessly::testing {

inline QString makeStringTableBundle(const TempHome& home) {
    const QString bundle = home.path() + "/Tessly.app";
    for (const QString code : {"en", "uk"}) {
        QDir().mkpath(bundle + "/Contents/Resources/" + code + ".lproj");
        QFile::copy(QStringLiteral(TESSLY_SOURCE_DIR "/resources/") + code + ".lproj/Localizable.json",
                    bundle + "/Contents/Resources/" + code + ".lproj/Localizable.json");
    }
    (void)writePropertyListFile(bundle + "/Contents/Info.plist",
                                PlistDictionary{{"CFBundleShortVersionString", QStringLiteral("2.4.1")}},
                                PlistFormat::Xml);
    return bundle;
}

} // namespace tessly::testing
