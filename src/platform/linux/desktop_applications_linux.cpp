#include "platform/linux/desktop_applications_linux.h"

#include "platform/bounded_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>

// GIO names a structure field "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <dirent.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace tessly {

namespace {

constexpr QLatin1StringView kEntrySuffix(".desktop");

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct KeyFileUnref {
    void operator()(GKeyFile* keyFile) const { g_key_file_unref(keyFile); }
};
struct Free {
    void operator()(gpointer memory) const { g_free(memory); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
template <typename T> using ObjectPtr = std::unique_ptr<T, ObjectUnref>;
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileUnref>;
using TextPtr = std::unique_ptr<gchar, Free>;
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

/// An entry read and understood by GIO.
struct LoadedEntry {
    KeyFilePtr keyFile;
    ObjectPtr<GDesktopAppInfo> info;
};

struct EntryLoad {
    std::optional<LoadedEntry> entry;
    QString error;
};

/// Reads the entry at `path` without blocking on anything that is no regular file, and hands it to GIO.
EntryLoad loadEntry(const QString& path) {
    const BoundedFileRead file = readBoundedFile(path, kDesktopEntryFileLimit);
    if (file.status == BoundedFileRead::Status::Missing) {
        return {std::nullopt, QStringLiteral("There is no desktop entry at %1.").arg(path)};
    }
    if (file.status != BoundedFileRead::Status::Read) {
        return {std::nullopt, QStringLiteral("Cannot read the desktop entry %1: %2").arg(path, file.error)};
    }
    KeyFilePtr keyFile(g_key_file_new());
    GError* rawError = nullptr;
    // Every translation is kept: the name is chosen in the interface's language, not the process's.
    if (!g_key_file_load_from_data(keyFile.get(), file.bytes.constData(),
                                   static_cast<gsize>(file.bytes.size()), G_KEY_FILE_KEEP_TRANSLATIONS,
                                   &rawError)) {
        const ErrorPtr error(rawError);
        return {std::nullopt, QStringLiteral("The desktop entry %1 is malformed: %2")
                                  .arg(path, QString::fromUtf8(error->message))};
    }
    ObjectPtr<GDesktopAppInfo> info(g_desktop_app_info_new_from_keyfile(keyFile.get()));
    if (!info) {
        return {std::nullopt,
                QStringLiteral("The desktop entry %1 describes no application that can be started here (its "
                               "type is not Application, or its program is missing).")
                    .arg(path)};
    }
    return {LoadedEntry{std::move(keyFile), std::move(info)}, {}};
}

/// The entry's name in `language` (untranslated when empty), control characters turned into spaces.
QString entryName(GKeyFile* keyFile, const QString& language) {
    const QByteArray locale = language.toUtf8();
    const TextPtr text(
        language.isEmpty()
            ? g_key_file_get_string(keyFile, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_NAME, nullptr)
            : g_key_file_get_locale_string(keyFile, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_NAME,
                                           locale.constData(), nullptr));
    if (!text) {
        return {};
    }
    QString name = QString::fromUtf8(text.get());
    // A line break or an escape sequence in a name would break the one line a name is shown on.
    for (QChar& character : name) {
        if (character.category() == QChar::Other_Control) {
            character = QLatin1Char(' ');
        }
    }
    return name;
}

/// The local path of `path`, which may be given as a file URL.
QString localPath(const QString& path) {
    if (path.startsWith(QLatin1String("file:"))) {
        return QUrl(path).toLocalFile();
    }
    return path;
}

/// Walks application directories, keeping the first file of every identifier.
class EntryWalk {
public:
    /// Identifiers with their files, in the order found.
    QList<std::pair<QString, QString>> files;

    void walkRoot(const QString& root) { walk(root, QString(), 0); }

private:
    void walk(const QString& directory, const QString& prefix, int depth) {
        const QByteArray encoded = QFile::encodeName(directory);
        struct stat info {};
        if (::stat(encoded.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            return;
        }
        // A link back up the tree must not walk it again and again.
        if (!m_visited.insert({info.st_dev, info.st_ino}).second) {
            return;
        }
        const std::unique_ptr<DIR, int (*)(DIR*)> stream(::opendir(encoded.constData()), &::closedir);
        if (!stream) {
            return;
        }
        while (const dirent* entry = ::readdir(stream.get())) {
            const QString name = QFile::decodeName(entry->d_name);
            if (name == QLatin1String(".") || name == QLatin1String("..")) {
                continue;
            }
            const QString path = directory + QLatin1Char('/') + name;
            if (name.endsWith(kEntrySuffix) && entry->d_type != DT_DIR) {
                const QString identifier = prefix + name.chopped(kEntrySuffix.size());
                // The first directory in precedence holds the identifier, whether or not its entry loads.
                if (!m_identifiers.contains(identifier)) {
                    m_identifiers.insert(identifier);
                    files.append({identifier, path});
                }
                continue;
            }
            const bool mayBeDirectory =
                entry->d_type == DT_DIR || entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN;
            if (mayBeDirectory && depth < kMaximumEntryDepth) {
                walk(path, prefix + name + QLatin1Char('-'), depth + 1);
            }
        }
    }

    std::set<std::pair<dev_t, ino_t>> m_visited;
    QSet<QString> m_identifiers;
};

} // namespace

LinuxDesktopApplications::LinuxDesktopApplications(QStringList applicationDirectories)
    : m_applicationDirectories(std::move(applicationDirectories)) {}

QList<DesktopApplication> LinuxDesktopApplications::applications(const QString& language) const {
    EntryWalk walk;
    const QStringList directories =
        m_applicationDirectories ? *m_applicationDirectories : xdgApplicationDirectories();
    for (const QString& directory : directories) {
        walk.walkRoot(directory);
    }
    QList<DesktopApplication> applications;
    applications.reserve(walk.files.size());
    for (const auto& [identifier, path] : walk.files) {
        const EntryLoad load = loadEntry(path);
        if (!load.entry) {
            continue;
        }
        GDesktopAppInfo* info = load.entry->info.get();
        // Hidden means deleted; NoDisplay and the desktops it is shown in are what the menu would show.
        if (g_desktop_app_info_get_is_hidden(info) || !g_app_info_should_show(G_APP_INFO(info))) {
            continue;
        }
        QString name = entryName(load.entry->keyFile.get(), language);
        if (name.trimmed().isEmpty()) {
            continue;
        }
        applications.append({identifier, std::move(name), path});
    }
    return applications;
}

QStringList xdgDataDirectories() {
    QStringList candidates;
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    candidates.append(QDir::isAbsolutePath(dataHome) ? dataHome
                                                     : QDir::homePath() + QStringLiteral("/.local/share"));
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty()) {
        dataDirs = QStringLiteral("/usr/local/share/:/usr/share/");
    }
    candidates.append(dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts));
    QStringList directories;
    for (const QString& candidate : candidates) {
        const QString directory = QDir::cleanPath(candidate);
        if (QDir::isAbsolutePath(directory) && !directories.contains(directory)) {
            directories.append(directory);
        }
    }
    return directories;
}

QStringList xdgApplicationDirectories() {
    QStringList directories = xdgDataDirectories();
    for (QString& directory : directories) {
        directory += QStringLiteral("/applications");
    }
    return directories;
}

bool isDesktopEntryPath(const QString& path) {
    const QString local = localPath(path);
    return local.endsWith(kEntrySuffix) && !QFileInfo(local).isDir();
}

std::optional<QString> launchDesktopEntry(const QString& path, const QStringList& arguments) {
    const QString local = localPath(path);
    const EntryLoad load = loadEntry(local);
    if (!load.entry) {
        return load.error;
    }
    GList* files = nullptr;
    for (auto argument = arguments.crbegin(); argument != arguments.crend(); ++argument) {
        files = g_list_prepend(files, g_file_new_for_commandline_arg(argument->toUtf8().constData()));
    }
    // The plain context: the child gets this process's environment (its display among it).
    const ObjectPtr<GAppLaunchContext> context(g_app_launch_context_new());
    GError* rawError = nullptr;
    const bool launched =
        g_app_info_launch(G_APP_INFO(load.entry->info.get()), files, context.get(), &rawError);
    g_list_free_full(files, g_object_unref);
    if (!launched) {
        const ErrorPtr error(rawError);
        return QStringLiteral("Cannot start the desktop entry %1: %2")
            .arg(local, error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error"));
    }
    return std::nullopt;
}

std::optional<DesktopEntryIcon> desktopEntryIcon(const QString& path) {
    const EntryLoad load = loadEntry(localPath(path));
    if (!load.entry) {
        return std::nullopt;
    }
    // GIO has already made a file icon of an absolute path and a theme icon of a name (without the ".png"
    // or ".svg" that entries often add by mistake).
    GIcon* icon = g_app_info_get_icon(G_APP_INFO(load.entry->info.get()));
    if (icon && G_IS_FILE_ICON(icon)) {
        const TextPtr file(g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon))));
        if (!file) {
            return std::nullopt;
        }
        return DesktopEntryIcon{{}, QFile::decodeName(file.get())};
    }
    if (icon && G_IS_THEMED_ICON(icon)) {
        DesktopEntryIcon themed;
        for (const gchar* const* name = g_themed_icon_get_names(G_THEMED_ICON(icon)); name && *name; ++name) {
            themed.themeNames.append(QString::fromUtf8(*name));
        }
        if (!themed.themeNames.isEmpty()) {
            return themed;
        }
    }
    return std::nullopt;
}

} // namespace tessly
