// The state files shared by the main application, the helpers and the Dock tile plug-ins, and the process's
// own identity.
#include "helpers/helper_manager.h"

#include "base/shared_names.h"
#include "helpers/helper_files.h"
#include "model/uuid_text.h"
#include "platform/atomic_file.h"
#include "platform/bounded_file.h"
#include "platform/path_safety.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <charconv>
#include <cmath>

namespace tessly {

using namespace helper_files;

QString shortestDecimalText(double value) {
    if (!std::isfinite(value)) {
        return QStringLiteral("0.0");
    }
    char buffer[64];
    // Plain notation, the fewest digits that read back as the same double.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
    if (!text.contains(QLatin1Char('.'))) {
        text += QStringLiteral(".0");
    }
    return text;
}

QString HelperManager::helperStateDir() {
    if (!m_helperStateDir) {
        m_helperStateDir = m_env.paths.helperStateDirectory();
        QDir().mkpath(*m_helperStateDir);
    }
    return *m_helperStateDir;
}

QString HelperManager::stateFilePath(const QUuid& folderId, const QString& suffix) {
    // The name is built from the canonical UUID text only: nothing else can reach into the path.
    return helperStateDir() + QLatin1Char('/') + uuidText(folderId) + suffix;
}

void HelperManager::removeMarker(const QUuid& folderId, const QString& suffix) {
    if (!isPlainFileName(uuidText(folderId) + suffix)) {
        return;
    }
    removeTree(stateFilePath(folderId, suffix));
}

void HelperManager::writeLaunchMarker(const QUuid& folderId) {
    const QString text = shortestDecimalText(m_env.clock.now().timeIntervalSince1970());
    (void)writeFileAtomically(stateFilePath(folderId, QStringLiteral(".launch")), text.toUtf8());
}

bool HelperManager::consumePreserveMarker(const QUuid& folderId) {
    const QString marker = stateFilePath(folderId, QStringLiteral(".preserve"));
    if (!existsOrIsLink(marker)) {
        return false;
    }
    removeTree(marker);
    return true;
}

bool HelperManager::isFolderPinned(const QUuid& folderId) {
    const auto helper = findHelper(folderId);
    if (!helper) {
        return false;
    }
    if (persistentAppPathsFromFile().contains(canonicalPath(*helper))) {
        return true;
    }
    // A pin file outlives its helper: it counts only while the helper runs.
    return pinFileSaysPinned(folderId) && isHelperRunning(*helper);
}

QHash<QUuid, HelperDockState> HelperManager::helperDockStates(const QList<QUuid>& folderIds) {
    // The Dock's file, the helpers directory and the running processes are each read once, however many
    // folders are asked about: a reconciliation asks about every folder in the Dock.
    const QHash<QString, QString> helperByIdentifier = helperOfEachFolder();
    const QSet<QString> kept = persistentAppPathsFromFile();
    const QSet<QString> running = runningBundlePaths();
    QHash<QUuid, HelperDockState> states;
    for (const QUuid& folderId : folderIds) {
        HelperDockState state;
        state.failedToStart = m_failedToStart.contains(folderId);
        const auto helper = helperByIdentifier.constFind(uuidText(folderId));
        if (helper != helperByIdentifier.constEnd()) {
            const QString path = canonicalPath(*helper);
            state.hasHelper = true;
            state.running = running.contains(path);
            state.pinned = kept.contains(path) || (state.running && pinFileSaysPinned(folderId));
        }
        states.insert(folderId, state);
    }
    return states;
}

bool HelperManager::pinFileSaysPinned(const QUuid& folderId) {
    const BoundedFileRead pin =
        readBoundedFile(stateFilePath(folderId, QLatin1String(kPinFileSuffix)), kStateFileLimit);
    if (pin.status != BoundedFileRead::Status::Read) {
        return false;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(pin.bytes);
    return !decoder.hasError() && text.trimmed() == QLatin1String("1");
}

std::optional<QString> HelperManager::helperGroupIdentifier() {
    auto value = m_env.mainBundle.infoString(QLatin1String(kGroupIdentifierInfoKey));
    if (value && value->isEmpty()) {
        value.reset();
    }
    if (m_mirroredGroup && *m_mirroredGroup == value) {
        return value;
    }
    if (value) {
        m_env.defaults.setString(QStringLiteral("group"), *value);
    } else {
        m_env.defaults.removeObject(QStringLiteral("group"));
    }
    m_mirroredGroup = value;
    return value;
}

bool HelperManager::isHelperProcess() {
    const auto identifier = helperGroupIdentifier();
    return identifier && parseUuid(*identifier).has_value();
}

void HelperManager::removeFile(const QString& path) {
    QFile::remove(path);
}

} // namespace tessly
