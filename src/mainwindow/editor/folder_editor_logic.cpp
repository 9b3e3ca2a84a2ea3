#include "mainwindow/editor/folder_editor_logic.h"

#include "model/folder_store.h"

#include <QTextBoundaryFinder>

#include <iterator>

namespace tessly {

namespace {

/// Calls `visit` with each grapheme cluster of `text` in order, until it returns false.
template <typename Visit> void forEachCharacter(const QString& text, Visit visit) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = finder.toNextBoundary();
        if (end <= start) {
            end = text.size(); // a finder that cannot go on takes the rest as one character
        }
        if (!visit(QStringView(text).sliced(start, end - start))) {
            return;
        }
        start = end;
    }
}

/// The first scalar of a character; a lone surrogate, which is no scalar at all, reads as U+FFFD.
char32_t firstScalar(QStringView character) {
    if (character.isEmpty()) {
        return U' ';
    }
    const QChar first = character.front();
    if (first.isHighSurrogate() && character.size() > 1 && character.at(1).isLowSurrogate()) {
        return QChar::surrogateToUcs4(first, character.at(1));
    }
    if (first.isSurrogate()) {
        return U'\uFFFD';
    }
    return first.unicode();
}

} // namespace

bool isAllowedInFolderName(char32_t scalar) {
    return (scalar >= U'a' && scalar <= U'z') || (scalar >= U'A' && scalar <= U'Z') ||
           (scalar >= U'0' && scalar <= U'9') || scalar == U' ' || scalar == U'-' || scalar == U'_' ||
           (scalar >= 0x0410 && scalar <= 0x044F);
}

FolderNameRuleResult applyFolderNameRule(const QString& typed) {
    FolderNameRuleResult result;
    int kept = 0;
    forEachCharacter(typed, [&](QStringView character) {
        if (!isAllowedInFolderName(firstScalar(character))) {
            result.droppedCharacters = true;
            return true;
        }
        if (kept == kFolderNameMaximumLength) {
            result.shortened = true;
            return true; // go on: a later disallowed character still counts as dropped
        }
        result.name.append(character);
        ++kept;
        return true;
    });
    if (!result.changed()) {
        result.name = typed;
    }
    return result;
}

int userPerceivedLength(const QString& text) {
    int count = 0;
    forEachCharacter(text, [&count](QStringView) {
        ++count;
        return true;
    });
    return count;
}

std::optional<QString> trimmedFolderName(const QString& name) {
    QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    return trimmed;
}

// The symbols a folder can take, in the order the picker shows them.
// clang-format off
constexpr const char* kFolderSymbolNames[] = {
    "folder", "briefcase", "hammer", "wrench.and.screwdriver", "music.note", "music.mic", "books.vertical",
    "paintpalette", "leaf", "bolt", "globe", "house", "gamecontroller", "message", "camera", "target", "key",
    "film", "flask", "laptopcomputer", "desktopcomputer", "keyboard", "printer", "scanner", "wifi",
    "antenna.radiowaves.left.and.right", "headphones", "speaker.wave.2", "mic", "video", "tv", "display",
    "cpu", "memorychip", "battery.100", "lock", "shield", "bell", "clock", "calendar", "map", "location",
    "car", "tram", "airplane", "bicycle", "figure.walk", "figure.run", "heart", "cross.case", "pills",
    "stethoscope", "pawprint", "sun.max", "moon", "cloud", "cloud.rain", "snowflake", "flame", "drop", "gift",
    "tag", "cart", "doc", "doc.text", "doc.richtext", "doc.plaintext", "doc.on.doc", "archivebox", "tray",
    "shippingbox", "suitcase.rolling", "backpack", "menucard", "ticket", "creditcard", "banknote",
    "chart.bar", "chart.pie", "waveform", "waveform.path.ecg", "lightbulb", "atom", "star", "flag",
    "bookmark", "paperclip", "link", "person", "person.2", "person.3", "checkmark.seal", "rosette",
    "bubble.left", "bubble.right", "phone", "envelope", "lock.doc", "photo",
};
// clang-format on

const QStringList& availableFolderIcons() {
    static const QStringList icons = [] {
        QStringList names;
        names.reserve(std::size(kFolderSymbolNames));
        for (const char* name : kFolderSymbolNames) {
            names.append(QString::fromLatin1(name));
        }
        return names;
    }();
    return icons;
}

QString spokenSymbolName(const QString& symbolName) {
    QString spoken = symbolName;
    spoken.replace(QLatin1Char('.'), QLatin1Char(' '));
    return spoken;
}

AppFolder makeNewFolder(const QString& name, const QString& icon, Date now) {
    AppFolder folder;
    folder.id = QUuid::createUuid();
    folder.name = name;
    folder.emoji = icon;
    folder.isInDock = false;
    folder.tileStyle = TileStyleSettings{}; // the defaults are those of a new folder
    folder.createdAt = now;
    return folder;
}

bool saveFolderFromEditor(FolderStore& store, const std::optional<AppFolder>& folderToEdit,
                          const QString& name, const QString& icon, Date now) {
    const std::optional<QString> trimmed = trimmedFolderName(name);
    if (!trimmed) {
        return false;
    }
    if (folderToEdit) {
        AppFolder edited = store.folder(folderToEdit->id).value_or(*folderToEdit);
        edited.name = *trimmed;
        edited.emoji = icon;
        store.updateFolder(edited);
        return true;
    }
    store.addFolder(makeNewFolder(*trimmed, icon, now));
    return true;
}

} // namespace tessly
