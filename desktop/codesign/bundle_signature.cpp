#include "bundle_signature.h"

#include "platform/property_list.h"

#include <QCryptographicHash>

#include <QFile>
#include <openssl/evp.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessly::codesign {

namespace {

namespace fs = std::filesystem;

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

/// lstat: the entry itself, a link as a link.
std::optional<struct stat> entryStatus(const QString& path) {
    struct stat info {};
    if (::lstat(encoded(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return info;
}

std::optional<QString> digestRegularFile(const fs::path& path, QByteArray& digest) {
    // O_NOFOLLOW and the check after opening: the entry may have been swapped for a link or a pipe since it
    // was listed.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errnoText();
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return QStringLiteral("not a regular file");
    }
    // The executable dominates a bundle's bytes: OpenSSL's SHA-256 uses the processor's SHA instructions,
    // several times faster than a portable implementation, and signing runs every time a helper is built.
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> hash(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!hash || EVP_DigestInit_ex(hash.get(), EVP_sha256(), nullptr) != 1) {
        ::close(fd);
        return QStringLiteral("SHA-256 is not available");
    }
    std::vector<unsigned char> buffer(256 * 1024);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const QString error = errnoText();
            ::close(fd);
            return error;
        }
        EVP_DigestUpdate(hash.get(), buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    unsigned char result[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(hash.get(), result, &length) != 1) {
        return QStringLiteral("SHA-256 failed");
    }
    digest = QByteArray(reinterpret_cast<const char*>(result), static_cast<qsizetype>(length));
    return std::nullopt;
}

std::optional<QString> digestLink(const fs::path& path, QByteArray& digest) {
    std::error_code error;
    const fs::path target = fs::read_symlink(path, error);
    if (error) {
        return QString::fromStdString(error.message());
    }
    digest = QCryptographicHash::hash(QByteArray::fromStdString(target.native()), QCryptographicHash::Sha256);
    return std::nullopt;
}

/// Makes `path` a directory of its own: a link there is removed (never written through), a missing one made.
std::optional<QString> ensureRealDirectory(const QString& path) {
    if (const auto info = entryStatus(path)) {
        if (S_ISDIR(info->st_mode)) {
            return std::nullopt;
        }
        if (!S_ISLNK(info->st_mode)) {
            return QStringLiteral("%1 is in the way of the signature").arg(path);
        }
        if (::unlink(encoded(path).constData()) != 0) {
            return errnoText();
        }
    }
    if (::mkdir(encoded(path).constData(), 0755) != 0) {
        return errnoText();
    }
    return std::nullopt;
}

PlistValue toPlist(const Manifest& manifest) {
    PlistDictionary files;
    for (const auto& [path, digest] : manifest.files) {
        files.set(path, digest);
    }
    PlistArray options;
    for (const QString& option : manifest.options) {
        options.emplace_back(option);
    }
    return PlistDictionary{{"identity", manifest.identity},       {"identifier", manifest.identifier},
                           {"options", std::move(options)},       {"timestamp", manifest.timestamp},
                           {"signingDate", manifest.signingDate}, {"files", std::move(files)}};
}

std::optional<Manifest> fromPlist(const PlistValue& root) {
    const PlistDictionary* values = root.asDictionary();
    if (!values) {
        return std::nullopt;
    }
    auto text = [&](const char* key) -> const QString* {
        const PlistValue* value = values->find(key);
        return value ? value->asString() : nullptr;
    };
    const QString* identity = text("identity");
    const QString* identifier = text("identifier");
    const PlistValue* options = values->find("options");
    const PlistValue* timestamp = values->find("timestamp");
    const PlistValue* signingDate = values->find("signingDate");
    const PlistValue* files = values->find("files");
    if (!identity || identity->isEmpty() || !identifier || !options || !options->asArray() || !timestamp ||
        !timestamp->asBoolean() || !signingDate || !signingDate->asDate() || !files ||
        !files->asDictionary()) {
        return std::nullopt;
    }
    Manifest manifest{*identity, *identifier, {}, *timestamp->asBoolean(), *signingDate->asDate(), {}};
    for (const PlistValue& option : *options->asArray()) {
        if (!option.asString()) {
            return std::nullopt;
        }
        manifest.options.append(*option.asString());
    }
    for (const auto& [path, digest] : files->asDictionary()->entries()) {
        if (!digest.asData()) {
            return std::nullopt;
        }
        manifest.files.emplace(path, *digest.asData());
    }
    return manifest;
}

} // namespace

std::optional<QString> checkBundle(const QString& bundle) {
    struct stat info {};
    // The bundle itself is what the caller named; a link to it is followed, as any tool follows its argument.
    if (::stat(encoded(bundle).constData(), &info) != 0) {
        return errnoText();
    }
    const auto contents = entryStatus(bundle + QStringLiteral("/Contents"));
    const auto plist = entryStatus(bundle + QStringLiteral("/Contents/Info.plist"));
    if (!S_ISDIR(info.st_mode) || !contents || !S_ISDIR(contents->st_mode) || !plist ||
        !S_ISREG(plist->st_mode)) {
        return QStringLiteral("bundle format unrecognized, invalid, or unsuitable");
    }
    return std::nullopt;
}

std::optional<QString> digestBundle(const QString& bundle, std::map<QString, QByteArray>& files) {
    const fs::path root(encoded(bundle).toStdString());
    const fs::path manifest = root / kManifestPath;
    std::error_code error;
    // Without follow_directory_symlink: a linked directory is one entry, a link, and is not entered.
    fs::recursive_directory_iterator it(root, fs::directory_options::none, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::path& path = it->path();
        if (path == manifest) {
            continue;
        }
        const QString relative =
            QFile::decodeName(QByteArray::fromStdString(path.lexically_relative(root).native()));
        std::error_code statusError;
        const fs::file_status status = it->symlink_status(statusError);
        if (statusError) {
            return QStringLiteral("cannot examine %1: %2")
                .arg(relative, QString::fromStdString(statusError.message()));
        }
        QByteArray digest;
        std::optional<QString> failure;
        switch (status.type()) {
        case fs::file_type::directory:
            continue;
        case fs::file_type::symlink:
            failure = digestLink(path, digest);
            break;
        case fs::file_type::regular:
            failure = digestRegularFile(path, digest);
            break;
        default:
            return QStringLiteral("cannot sign %1: not a file, directory or symbolic link").arg(relative);
        }
        if (failure) {
            return QStringLiteral("cannot read %1: %2").arg(relative, *failure);
        }
        files.emplace(relative, digest);
    }
    if (error) {
        return QStringLiteral("cannot list the bundle: ") + QString::fromStdString(error.message());
    }
    return std::nullopt;
}

bool hasManifest(const QString& bundle) {
    return entryStatus(bundle + QLatin1Char('/') + QLatin1String(kManifestPath)).has_value();
}

std::optional<QString> writeManifest(const QString& bundle, const Manifest& manifest) {
    const QString directory = bundle + QStringLiteral("/Contents/_CodeSignature");
    if (auto failure = ensureRealDirectory(directory)) {
        return QStringLiteral("cannot create the signature directory: ") + *failure;
    }
    const QString path = bundle + QLatin1Char('/') + QLatin1String(kManifestPath);
    if (const auto info = entryStatus(path); info && !S_ISREG(info->st_mode)) {
        // A link would be written through to wherever it points; a new file replaces it instead.
        if (::unlink(encoded(path).constData()) != 0) {
            return QStringLiteral("cannot replace the old signature: ") + errnoText();
        }
    }
    QString error;
    if (!writePropertyListFile(path, toPlist(manifest), PlistFormat::Xml, &error)) {
        return QStringLiteral("cannot write the signature: ") + error;
    }
    return std::nullopt;
}

ManifestState readManifest(const QString& bundle, Manifest& manifest) {
    const QString path = bundle + QLatin1Char('/') + QLatin1String(kManifestPath);
    const auto info = entryStatus(path);
    if (!info) {
        return ManifestState::Unsigned;
    }
    if (!S_ISREG(info->st_mode)) {
        return ManifestState::Damaged;
    }
    const auto parsed = readPropertyListFile(path);
    auto read = parsed ? fromPlist(parsed->root) : std::nullopt;
    if (!read) {
        return ManifestState::Damaged;
    }
    manifest = std::move(*read);
    return ManifestState::Signed;
}

} // namespace tessly::codesign
