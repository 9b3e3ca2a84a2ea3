// Building, finding and identifying helper bundles.
#include "helpers/helper_manager.h"

#include "base/shared_names.h"

#include "helpers/helper_files.h"
#include "model/display_text.h"
#include "model/uuid_text.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace tessly {

using namespace helper_files;

namespace {

constexpr qsizetype kBundleNameLength = 30;
// File systems hold at most 255 bytes in one name; thirty emoji with modifiers and joiners take more.
constexpr qsizetype kFileNameBytes = 255;

bool isForbiddenInBundleName(char32_t c) {
    if (c == U' ') {
        return false;
    }
    switch (c) {
    case U'/':
    case U':':
    case U'*':
    case U'?':
    case U'"':
    case U'<':
    case U'>':
    case U'|':
        return true;
    default:
        break;
    }
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85) {
        return true;
    }
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

/// The longest start of `text` that ends between user-perceived characters and takes at most `maxBytes` of
/// UTF-8.
QString leftWithinBytes(const QString& text, qsizetype maxBytes) {
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    qsizetype bytes = 0;
    for (qsizetype next = graphemes.toNextBoundary(); next > 0; next = graphemes.toNextBoundary()) {
        bytes += QStringView(text).sliced(end, next - end).toUtf8().size();
        if (bytes > maxBytes) {
            break;
        }
        end = next;
    }
    return text.left(end);
}

} // namespace

QString helperBundleName(const QString& folderName) {
    // The first 30 user-perceived characters: an emoji of several code points counts once.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, folderName);
    qsizetype end = 0;
    for (qsizetype count = 0; count < kBundleNameLength; ++count) {
        const qsizetype next = graphemes.toNextBoundary();
        if (next < 0) {
            end = folderName.size();
            break;
        }
        end = next;
    }
    QString cleaned;
    const QString head = folderName.left(end);
    for (const char32_t c : head.toUcs4()) {
        if (!isForbiddenInBundleName(c)) {
            cleaned += QString::fromUcs4(&c, 1);
        }
    }
    // Cut again by bytes, now between the characters of the cleaned text: a joiner that held an emoji
    // sequence together is gone, and the parts count one by one.
    cleaned = leftWithinBytes(cleaned, kFileNameBytes - 4);
    if (cleaned.isEmpty()) {
        cleaned = QStringLiteral("Group");
    }
    return cleaned + QStringLiteral(".app");
}

QString HelperManager::helpersDir() {
    if (!m_helpersDir) {
        const QString directory = m_env.paths.helpersDirectory();
        QDir().mkpath(directory);
        // Canonical, so that every helper path (in log lines, handed to the workspace, compared with the
        // Dock's entries) is the one its process reports.
        m_helpersDir = canonicalPath(directory);
    }
    return *m_helpersDir;
}

QString HelperManager::helperPathFor(const AppFolder& folder) {
    const QString name = helperBundleName(folder.name);
    const QString stem = name.chopped(4);
    const QString wanted = uuidText(folder.id);
    // Two folders whose names reduce to the same bundle name get "Name.app", "Name 2.app", ...: building the
    // second never takes over the first one's helper.
    for (int n = 1;; ++n) {
        QString numbered = name;
        if (n > 1) {
            const QString suffix = QLatin1Char(' ') + QString::number(n) + QStringLiteral(".app");
            // The number must fit in the file name too.
            const QString shortened = leftWithinBytes(stem, kFileNameBytes - suffix.toUtf8().size());
            numbered = (shortened.isEmpty() ? QStringLiteral("Group") : shortened) + suffix;
        }
        const QString candidate = helpersDir() + QLatin1Char('/') + numbered;
        if (!existsOrIsLink(candidate)) {
            return candidate;
        }
        const auto owner = helperGroupUUID(candidate);
        if (!owner || *owner == wanted || !parseUuid(*owner)) {
            return candidate; // ours, or nobody's: refreshed in place
        }
    }
}

std::optional<QString> HelperManager::buildHelper(const AppFolder& folder) {
    const QString helper = helperPathFor(folder);
    // Each step that fails has said why; what it leaves of the copy is removed, as a part of a bundle would
    // be refreshed in place next time, signed and started as if whole.
    if (!copyApplicationTo(helper)) {
        removeTree(helper);
        return std::nullopt;
    }
    if (const auto failure = scrubHelperBundle(helper)) {
        logFailure(QStringLiteral("Tessly: Failed to clear the extended attributes of ") + *failure);
    }
    if (!writeHelperInfo(helper, folder) || !signHelper(helper)) {
        removeTree(helper);
        return std::nullopt;
    }
    return helper;
}

bool HelperManager::copyApplicationTo(const QString& helper) {
    // A link in the helpers directory, or a bundle whose Info.plist leads out of it, is never refreshed in
    // place: what it points at is not ours to patch or sign.
    if (existsOrIsLink(helper) &&
        (QFileInfo(helper).isSymLink() ||
         !staysInside(helper + QStringLiteral("/Contents/Info.plist"), helpersDir()))) {
        removeTree(helper);
    }
    if (existsOrIsLink(helper)) {
        return true;
    }
    // The folder may have gone since it was first made (deleted by the user, or in the way of a file).
    QDir().mkpath(helpersDir());
    if (const auto error = copyTree(m_env.mainBundle.bundlePath(), helper)) {
        m_env.console.printLine(QStringLiteral("Failed to copy app bundle: ") + *error);
        return false;
    }
    return true;
}

bool HelperManager::writeHelperInfo(const QString& helper, const AppFolder& folder) {
    const QString infoPath = helper + QStringLiteral("/Contents/Info.plist");
    auto info = readPropertyListFile(infoPath);
    if (!info || !info->root.isDictionary()) {
        // Without its Info.plist the copy would start as a second main application: not a helper at all.
        logFailure(QStringLiteral("Tessly: Failed to read the helper's Info.plist: ") + infoPath);
        return false;
    }
    PlistDictionary& values = *info->root.asDictionary();
    // The names a Dock and a task switcher show as the helper's: no directional control in them may reorder
    // what they show, nor a control character break their line. The folder file keeps the name as written.
    values.set(QStringLiteral("CFBundleName"), displayedName(folder.name));
    values.set(QStringLiteral("CFBundleDisplayName"), displayedName(folder.name));
    values.set(QLatin1String(kGroupIdentifierInfoKey), uuidText(folder.id));
    QString writeError;
    if (!writePropertyListFile(infoPath, info->root, PlistFormat::Xml, &writeError)) {
        // The copy still carries the main application's Info.plist: started, it would be a second main
        // application, not this folder's helper.
        logFailure(QStringLiteral("Tessly: Failed to write the helper's Info.plist: ") + infoPath +
                   QStringLiteral(": ") + writeError);
        return false;
    }
    return true;
}

bool HelperManager::signHelper(const QString& helper) {
    const std::optional<QString> identity = signingIdentity();
    const QStringList arguments =
        identity && !identity->isEmpty()
            ? QStringList{"--force",   "--deep",  "--sign",      *identity,
                          "--options", "runtime", "--timestamp", helper}
            : QStringList{"--force", "--deep", "--sign", "-", "--timestamp=none", helper};
    const ChildProcessResult signing =
        m_env.processes.run(m_env.codesignPath, arguments, StandardError::Inherited);
    if (!signing.started) {
        logFailure(QStringLiteral("Tessly: Failed to run codesign: ") + signing.startError);
        return false;
    }
    if (signing.exitStatus != 0) {
        // Put together, not substituted: a "%2" in a folder's name is text, not a place for the status.
        logFailure(QStringLiteral("Tessly: Codesign failed for ") + helper + QStringLiteral(" (exit code: ") +
                   QString::number(signing.exitStatus) + QLatin1Char(')'));
        return false;
    }
    return true;
}

void HelperManager::logFailure(const QString& line) {
    m_env.console.printLine(line);
    m_env.systemLog.log(line);
}

std::optional<QString> HelperManager::scrubHelperBundle(const QString& helperPath) {
    removeTree(helperPath + QStringLiteral("/Icon\r"));
    removeTree(helperPath + QStringLiteral("/Contents/MacOS/__preview.dylib"));

    auto clear = [this](const QString& path) {
        for (const QString& name : m_env.attributes.list(path)) {
            if (!name.isEmpty()) {
                m_env.attributes.remove(path, name);
            }
        }
    };
    clear(helperPath);
    // Links are not entered: their own attributes are cleared, never those of what they point at.
    return forEachItemBelow(helperPath, clear);
}

std::optional<QString> HelperManager::signingIdentity() {
    const ChildProcessResult query = m_env.processes.run(
        m_env.codesignPath, {"-dv", "--verbose=4", m_env.mainBundle.bundlePath()}, StandardError::Piped);
    if (!query.started) {
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(query.standardError);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    static const QRegularExpression kLineBreaks(QStringLiteral("\r\n|[\n\r\u0085\u2028\u2029\v\f]"));
    for (const QString& line : text.split(kLineBreaks)) {
        if (line.startsWith(QLatin1String("Authority="))) {
            return line.mid(10);
        }
    }
    return std::nullopt;
}

QStringList HelperManager::listedHelperBundles(QStringList* links) {
    QStringList bundles;
    QDir directory(helpersDir());
    if (!directory.exists()) {
        return bundles;
    }
    const QStringList entries = directory.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& entry : entries) {
        if (QFileInfo(entry).suffix() != QLatin1String("app")) {
            continue;
        }
        const QString path = directory.filePath(entry);
        // Only what lies in the directory itself is ours: a link leads to someone else's bundle, and asking
        // whoever runs there to quit, or starting it, would act on a program that is not ours.
        if (QFileInfo(path).isSymLink()) {
            if (links) {
                links->append(path);
            }
            continue;
        }
        bundles.append(path);
    }
    return bundles;
}

std::optional<QString> HelperManager::findHelper(const QUuid& folderId) {
    const QHash<QString, QString> helpers = helperOfEachFolder();
    const auto found = helpers.constFind(uuidText(folderId));
    return found == helpers.constEnd() ? std::nullopt : std::optional<QString>(*found);
}

QHash<QString, QString> HelperManager::helperOfEachFolder() {
    QHash<QString, QStringList> bundlesOf;
    for (const QString& bundle : listedHelperBundles()) {
        if (const std::optional<QString> identifier = helperGroupUUID(bundle)) {
            bundlesOf[*identifier].append(bundle);
        }
    }
    return helperOfEachFolder(std::move(bundlesOf));
}

QHash<QString, QString> HelperManager::helperOfEachFolder(QHash<QString, QStringList> bundlesOf) {
    // Two bundles can carry one folder's identifier: a copy the user made, a removal cut short. Its helper
    // is then the one that runs, else the one the Dock keeps, else the first by name, whatever order the
    // directory lists them in: judging an idle copy would take a kept folder out of the Dock. The processes
    // and the Dock's file are read only when there is such a choice to make.
    std::optional<QSet<QString>> running;
    std::optional<QSet<QString>> kept;
    QHash<QString, QString> helpers;
    for (auto it = bundlesOf.begin(); it != bundlesOf.end(); ++it) {
        QStringList& bundles = it.value();
        if (bundles.size() > 1) {
            std::sort(bundles.begin(), bundles.end());
            if (!running) {
                running = runningBundlePaths();
                kept = persistentAppPathsFromFile();
            }
            auto rank = [&](const QString& bundle) {
                const QString path = canonicalPath(bundle);
                return running->contains(path) ? 0 : kept->contains(path) ? 1 : 2;
            };
            std::stable_sort(bundles.begin(), bundles.end(),
                             [&](const QString& a, const QString& b) { return rank(a) < rank(b); });
        }
        helpers.insert(it.key(), bundles.first());
    }
    return helpers;
}

std::optional<QString> HelperManager::helperGroupUUID(const QString& bundlePath) const {
    // A link is nobody's helper: it is never read through, and synchronisation removes it. Nor is a bundle
    // whose Info.plist leads out of it: what it names lies elsewhere.
    if (QFileInfo(bundlePath).isSymLink() ||
        !staysInside(bundlePath + QStringLiteral("/Contents/Info.plist"), bundlePath)) {
        return std::nullopt;
    }
    auto info = readPropertyListFile(bundlePath + QStringLiteral("/Contents/Info.plist"));
    if (!info || !info->root.isDictionary()) {
        return std::nullopt;
    }
    const PlistValue* value = info->root.asDictionary()->find(QLatin1String(kGroupIdentifierInfoKey));
    if (!value || !value->asString()) {
        return std::nullopt;
    }
    return *value->asString();
}

bool HelperManager::isHelperStale(const QString& helperPath, const QString& applicationPath) const {
    const auto executable = m_env.mainBundle.executablePath();
    const QString name = executable ? QFileInfo(*executable).fileName() : QStringLiteral("Tessly");
    const QFileInfo helperExecutable(helperPath + QStringLiteral("/Contents/MacOS/") + name);
    const QFileInfo applicationExecutable(applicationPath + QStringLiteral("/Contents/MacOS/") + name);
    if (!helperExecutable.exists() || !applicationExecutable.exists()) {
        return false;
    }
    return helperExecutable.lastModified() < applicationExecutable.lastModified();
}

void HelperManager::rebuildHelperIfStale(const AppFolder& folder, const QString& helperPath) {
    if (!isHelperStale(helperPath, m_env.mainBundle.bundlePath()) || isHelperRunning(helperPath)) {
        return;
    }
    removeTree(helperPath);
    (void)buildHelper(folder);
}

QSet<QString> HelperManager::runningBundlePaths() const {
    QSet<QString> paths;
    for (const RunningApplication& application : m_env.workspace.runningApplications()) {
        if (application.bundlePath) {
            paths.insert(canonicalPath(*application.bundlePath));
        }
    }
    return paths;
}

bool HelperManager::isHelperRunning(const QString& helperPath) const {
    return runningBundlePaths().contains(canonicalPath(helperPath));
}

void HelperManager::quitRunningApplications(const QString& bundlePath) {
    // What runs behind a link is not ours to stop.
    if (QFileInfo(bundlePath).isSymLink()) {
        return;
    }
    const QString bundle = canonicalPath(bundlePath);
    for (const RunningApplication& application : m_env.workspace.runningApplications()) {
        if (application.bundlePath && canonicalPath(*application.bundlePath) == bundle) {
            m_env.workspace.terminate(application);
        }
    }
}

} // namespace tessly
