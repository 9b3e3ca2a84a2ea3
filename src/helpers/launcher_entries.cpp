#include "helpers/launcher_entries.h"

#include "helpers/helper_files.h"
#include "model/display_text.h"
#include "model/uuid_text.h"
#include "platform/atomic_file.h"
#include "platform/bounded_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace tessly {

using namespace helper_files;

namespace {

const QString kFolderKey = QStringLiteral("X-Tessly-Folder");
const QString kIconPrefix = QStringLiteral("launcher-");
const QString kIconSuffix = QStringLiteral(".png");
const QString kEntrySuffix =
    QStringLiteral(".desktop"); // The characters of the hash that name an icon: enough that two tiles of one
                                // folder never share a name.
constexpr qsizetype kIconHashLength = 16;
// GLib (2.74 at least) looks an entry's program up before it turns "%%" back into "%", and finds none when
// the program's path holds a '%': every dock built on it refuses such an entry. env's path holds none, and
// it becomes the program itself, so the dock still starts the helper and sees its process.
const QString kEnvProgram = QStringLiteral("/usr/bin/env");

/// `value` by the general string rules of desktop entries: a space at either end is written "\s" (readers
/// trim them), and backslashes and the line-breaking controls are escaped.
QString escapedValue(const QString& value) {
    QString escaped;
    escaped.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        switch (c.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        case u' ':
            escaped += i == 0 || i == value.size() - 1 ? QStringLiteral("\\s") : QStringLiteral(" ");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

/// One argument of an Exec value, before the general escaping: in double quotes, with the four characters
/// the quotes do not protect escaped, and '%' doubled so that it is no field code.
QString quotedArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += QLatin1Char('\\');
            quoted += c;
        } else if (c == u'%') {
            quoted += QStringLiteral("%%");
        } else {
            quoted += c;
        }
    }
    return quoted + QLatin1Char('"');
}

QString execValue(const QString& program) {
    const QString quoted = quotedArgument(program);
    return program.contains(QLatin1Char('%')) ? kEnvProgram + QLatin1Char(' ') + quoted : quoted;
}

/// Whether a desktop entry can hold `path`: its values may hold no control characters but the escaped ones.
bool canBeNamedInEntry(const QString& path) {
    return std::none_of(path.begin(), path.end(), [](QChar c) {
        return (c.unicode() < 0x20 && c != u'\n' && c != u'\t' && c != u'\r') || c.unicode() == 0x7F;
    });
}

/// Whether the regular file at `path` (not a link to one) holds exactly `bytes`.
bool holds(const QString& path, const QByteArray& bytes) {
    if (QFileInfo(path).isSymLink()) {
        return false;
    }
    const BoundedFileRead read = readBoundedFile(path, bytes.size() + 1);
    return read.status == BoundedFileRead::Status::Read && read.bytes == bytes;
}

/// The value of `key` in the [Desktop Entry] group of `text`.
std::optional<QString> entryValue(const QByteArray& text, const QString& key) {
    bool inMainGroup = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inMainGroup && equals > 0 && line.left(equals).trimmed() == key) {
            return line.mid(equals + 1).trimmed();
        }
    }
    return std::nullopt;
}

/// Removes the icons of the helper bundle at `helperPath` but `kept` (a file name); nothing when its
/// resources lead out of the bundle.
void removeIcons(const QString& helperPath, const QString& kept = {}) {
    const QString resources = helperPath + QStringLiteral("/Contents/Resources");
    if (!QFileInfo(resources).isDir() || !staysInside(resources, helperPath)) {
        return;
    }
    // Links and whatever else took an icon's name go too: all of them are the bundle's own.
    const QStringList names = QDir(resources).entryList({kIconPrefix + QLatin1Char('*') + kIconSuffix},
                                                        QDir::AllEntries | QDir::System | QDir::Hidden);
    for (const QString& name : names) {
        if (name != kept) {
            removeTree(resources + QLatin1Char('/') + name);
        }
    }
}

} // namespace

QString launcherEntryId(const QString& bundleIdentifier, const QUuid& folderId) {
    return launcherWindowClass(bundleIdentifier, folderId) + kEntrySuffix;
}

QString launcherWindowClass(const QString& bundleIdentifier, const QUuid& folderId) {
    return bundleIdentifier + QStringLiteral(".folder-") + uuidText(folderId);
}

QByteArray launcherEntryText(const LauncherEntryContent& content) {
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  // The newest version desktop-file-validate of Debian 12 knows; nothing
                                  // here is newer.
                                  "Version=1.4\n");
    text += QStringLiteral("Name=") + escapedValue(displayedName(content.name)) + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + escapedValue(execValue(content.executablePath)) + QLatin1Char('\n');
    text += QStringLiteral("Icon=") + escapedValue(content.iconPath) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n"
                           "StartupNotify=false\n");
    text += QStringLiteral("StartupWMClass=") + escapedValue(content.windowClass) + QLatin1Char('\n');
    // A folder's launcher is for the dock only: no menu, no application list (Tessly's own included) shows
    // it.
    text += QStringLiteral("NoDisplay=true\n");
    text += kFolderKey + QLatin1Char('=') + uuidText(content.folderId) + QLatin1Char('\n');
    return text.toUtf8();
}

LauncherEntries::LauncherEntries(QString applicationsDirectory, QString bundleIdentifier)
    : m_applicationsDirectory(std::move(applicationsDirectory)),
      m_bundleIdentifier(std::move(bundleIdentifier)) {}

QString LauncherEntries::entryPath(const QUuid& folderId) const {
    return m_applicationsDirectory + QLatin1Char('/') + launcherEntryId(m_bundleIdentifier, folderId);
}

QString LauncherEntries::iconPath(const QString& helperPath, const QByteArray& iconPng) {
    const QByteArray hash = QCryptographicHash::hash(iconPng, QCryptographicHash::Sha256).toHex();
    return helperPath + QStringLiteral("/Contents/Resources/") + kIconPrefix +
           QString::fromLatin1(hash.left(kIconHashLength)) + kIconSuffix;
}

std::optional<QString> LauncherEntries::write(const AppFolder& folder, const QString& helperPath,
                                              const QString& executablePath, const QByteArray& iconPng) {
    for (const QString& path : {executablePath, helperPath}) {
        if (!canBeNamedInEntry(path)) {
            return path + QStringLiteral(": holds a control character a desktop entry cannot name");
        }
    }
    const QString resources = helperPath + QStringLiteral("/Contents/Resources");
    if (!QDir().mkpath(resources) || !staysInside(resources, helperPath)) {
        return resources + QStringLiteral(": not a folder of the helper's bundle");
    }
    if (!QDir().mkpath(m_applicationsDirectory)) {
        return m_applicationsDirectory + QStringLiteral(": the folder cannot be made");
    }

    const QString entry = entryPath(folder.id);
    const QString icon = iconPath(helperPath, iconPng);
    const QByteArray text = launcherEntryText(
        {folder.name, executablePath, icon, launcherWindowClass(m_bundleIdentifier, folder.id), folder.id});

    // Nothing is written that already holds what it should: the docks watch the entries and reload them.
    const bool iconIsNew = !existsOrIsLink(icon);
    if (!holds(icon, iconPng)) {
        if (const auto error = writeFileAtomically(icon, iconPng)) {
            return icon + QStringLiteral(": ") + *error;
        }
    }
    if (!holds(entry, text)) {
        if (const auto error = writeFileAtomically(entry, text)) {
            if (iconIsNew) {
                removeTree(icon);
            }
            return entry + QStringLiteral(": ") + *error;
        }
    }
    removeIcons(helperPath, QFileInfo(icon).fileName());
    return std::nullopt;
}

void LauncherEntries::remove(const QUuid& folderId, const QString& helperPath) {
    removeTree(entryPath(folderId));
    if (!helperPath.isEmpty()) {
        removeIcons(helperPath);
    }
}

QList<QUuid> LauncherEntries::folderIdsWithEntries() const {
    const QString prefix = launcherWindowClass(m_bundleIdentifier, QUuid()).chopped(uuidText(QUuid()).size());
    const QStringList names = QDir(m_applicationsDirectory)
                                  .entryList({prefix + QLatin1Char('*') + kEntrySuffix},
                                             QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDir::Name);
    QList<QUuid> ids;
    for (const QString& name : names) {
        const auto id = parseUuid(QStringView(name).sliced(prefix.size()).chopped(kEntrySuffix.size()));
        // Only the name Tessly gives it: another case of the same UUID is another file.
        if (!id || launcherEntryId(m_bundleIdentifier, *id) != name) {
            continue;
        }
        const BoundedFileRead read =
            readBoundedFile(m_applicationsDirectory + QLatin1Char('/') + name, kDesktopEntryFileLimit);
        if (read.status != BoundedFileRead::Status::Read) {
            continue;
        }
        const auto owner = entryValue(read.bytes, kFolderKey);
        if (owner && parseUuid(*owner) == id) {
            ids.append(*id);
        }
    }
    return ids;
}

} // namespace tessly
