// What the folder editor decides, apart from how it looks: the rule a folder name follows as it is typed, the
// symbols a folder can wear, and what saving the editor hands to the folder store.
//
//     const FolderNameRuleResult typed = applyFolderNameRule(field->text());
//     if (typed.changed()) field->setText(typed.name);          // "Café!" becomes "Caf"
//     saveFolderFromEditor(store, store.folderToEdit(), field->text(), icon, clock.now());
//
// The folder cards' editing mode follows the same name rule. Plain functions; main thread only where they
// touch the store.
#pragma once

#include "model/app_folder.h"
#include "platform/date.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tessly {

class FolderStore;

/// The most user-perceived characters a folder name keeps.
inline constexpr int kFolderNameMaximumLength = 20;

/// Whether a character whose first scalar is `scalar` may stand in a folder name: the ASCII letters and
/// digits, space, "-", "_", and the Cyrillic letters U+0410 to U+044F (no others).
[[nodiscard]] bool isAllowedInFolderName(char32_t scalar);

struct FolderNameRuleResult {
    /// The name as the field should show it.
    QString name;
    /// Characters outside the allowed set were dropped.
    bool droppedCharacters = false;
    /// The allowed characters were more than the maximum and the rest was cut.
    bool shortened = false;

    /// The field must take `name`; otherwise it is left as typed.
    [[nodiscard]] bool changed() const { return droppedCharacters || shortened; }
};

/// Keeps, in order, the user-perceived characters of `typed` whose first scalar is allowed, and at most the
/// first kFolderNameMaximumLength of them. A name that breaks neither rule comes back unchanged.
[[nodiscard]] FolderNameRuleResult applyFolderNameRule(const QString& typed);

/// The number of user-perceived characters (grapheme clusters) of `text`.
[[nodiscard]] int userPerceivedLength(const QString& text);

/// `name` without white space and line breaks at either end; nothing when that leaves it empty.
[[nodiscard]] std::optional<QString> trimmedFolderName(const QString& name);

/// The symbols a folder can wear, in the symbol grid's order; "folder" first.
[[nodiscard]] const QStringList& availableFolderIcons();

/// A symbol's name as words for a screen reader: "wrench.and.screwdriver" reads "wrench and screwdriver".
[[nodiscard]] QString spokenSymbolName(const QString& symbolName);

/// A new folder as the editor makes it: a fresh identity, not in the Dock, no applications, created `now`,
/// with the tile style of a new folder.
[[nodiscard]] AppFolder makeNewFolder(const QString& name, const QString& icon, Date now);

/// Saves the editor: with a blank name nothing happens and false comes back. Otherwise an existing folder
/// (`folderToEdit`) is renamed and takes `icon` through the store's update, starting from the store's own
/// copy so that nothing changed meanwhile is lost; without one a new folder is added.
bool saveFolderFromEditor(FolderStore& store, const std::optional<AppFolder>& folderToEdit,
                          const QString& name, const QString& icon, Date now);

} // namespace tessly
