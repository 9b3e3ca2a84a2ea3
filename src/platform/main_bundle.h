// The application bundle the process was started from, and the process's arguments.
//
//     MainBundle bundle("/path/Tessly.app", QCoreApplication::arguments());
//     QString id = bundle.bundleIdentifier().value_or("");
//     std::optional<QString> strings = bundle.pathForResource("uk", "lproj");
//
// The Info.plist is read once, at construction; a bundle whose Info.plist is missing or unreadable has an
// empty info dictionary (and so no identifier). The Linux adapter finds the bundle of the running executable
// (linux/main_bundle_linux.h); tests build a bundle directory of their own. A plain value; main thread only.
#pragma once

#include "platform/property_list.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tessly {

class MainBundle {
public:
    MainBundle(QString bundlePath, QStringList arguments);

    /// The bundle directory ("…/Tessly.app").
    [[nodiscard]] const QString& bundlePath() const { return m_bundlePath; }
    [[nodiscard]] QString contentsPath() const { return m_bundlePath + QStringLiteral("/Contents"); }
    [[nodiscard]] QString infoPlistPath() const { return contentsPath() + QStringLiteral("/Info.plist"); }
    [[nodiscard]] QString resourcePath() const { return contentsPath() + QStringLiteral("/Resources"); }

    [[nodiscard]] const PlistDictionary& infoDictionary() const { return m_info; }
    /// A text value of the Info.plist; nothing when absent or not a text.
    [[nodiscard]] std::optional<QString> infoString(const QString& key) const;
    [[nodiscard]] std::optional<QString> bundleIdentifier() const;
    /// "Contents/MacOS/<CFBundleExecutable>", or nothing without an executable name.
    [[nodiscard]] std::optional<QString> executablePath() const;

    /// The path of resource `name`.`type` in Contents/Resources when it exists (`type` may be empty).
    [[nodiscard]] std::optional<QString> pathForResource(const QString& name, const QString& type) const;

    /// The process's arguments, the program path first.
    [[nodiscard]] const QStringList& arguments() const { return m_arguments; }

private:
    QString m_bundlePath;
    QStringList m_arguments;
    PlistDictionary m_info;
};

} // namespace tessly
