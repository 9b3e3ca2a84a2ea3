// The signature of a bundle as this stand-in keeps it: a manifest at Contents/_CodeSignature/CodeResources,
// an XML property list with the SHA-256 digest of every file of the bundle (the manifest excepted), the
// identity ("-" for an ad-hoc signature), the options and whether a time stamp was asked for.
//
//     std::map<QString, QByteArray> files;
//     if (auto failure = digestBundle(bundle, files)) ...;
//     Manifest manifest{"-", identifier, {}, false, now, files};
//     if (auto failure = writeManifest(bundle, manifest)) ...;
//
// Nothing here follows a symbolic link inside the bundle: a link is hashed as the text it holds, a linked
// directory is not entered, and a link where the manifest goes is replaced rather than written through.
// Failures are texts that follow "<path>: " in the tool's messages.
#pragma once

#include "platform/date.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace tessly::codesign {

inline constexpr char kManifestPath[] = "Contents/_CodeSignature/CodeResources";

struct Manifest {
    /// The signing identity, "-" for an ad-hoc signature.
    QString identity;
    /// The bundle identifier at signing time.
    QString identifier;
    /// The signing options ("runtime").
    QStringList options;
    /// Whether a secure time stamp was asked for.
    bool timestamp = false;
    Date signingDate;
    /// Relative path with "/" separators → SHA-256 digest.
    std::map<QString, QByteArray> files;

    [[nodiscard]] bool isAdHoc() const { return identity == QLatin1String("-"); }
};

/// Checks that `bundle` is an application bundle: a directory with a real Contents directory holding an
/// Info.plist file. Nothing on success; otherwise the tool's message.
[[nodiscard]] std::optional<QString> checkBundle(const QString& bundle);

/// The digests of every file of the bundle but the manifest, with relative paths as keys.
[[nodiscard]] std::optional<QString> digestBundle(const QString& bundle,
                                                  std::map<QString, QByteArray>& files);

[[nodiscard]] bool hasManifest(const QString& bundle);
[[nodiscard]] std::optional<QString> writeManifest(const QString& bundle, const Manifest& manifest);

enum class ManifestState { Signed, Unsigned, Damaged };
/// Reads the manifest into `manifest` when the bundle is signed.
[[nodiscard]] ManifestState readManifest(const QString& bundle, Manifest& manifest);

} // namespace tessly::codesign
