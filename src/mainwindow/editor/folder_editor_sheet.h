// The folder editor: names a new folder or renames one, and chooses its symbol from the symbol grid. The name
// field has the keyboard when the sheet opens and follows the folder-name rule on every change; the rule is
// written under it and turns red when a character did not appear. Save stays disabled while the name is blank
// once trimmed; Return saves, Escape cancels. Save and Cancel both close the sheet through the store.
//
//     auto* sheet = new FolderEditorSheet(FolderEditorSheet::Parts{store, settings, l10n, symbols,
//                                      [&clock] { return clock.now(); }}, store.folderToEdit());
//     window->presentSheet(sheet);
//
// Main thread only.
#pragma once

#include "mainwindow/editor/symbol_picker_popover.h"
#include "mainwindow/frame/sheet_content.h"
#include "model/app_folder.h"
#include "platform/date.h"

#include <QAbstractButton>
#include <QPointer>
#include <functional>
#include <optional>

class QLineEdit;

namespace tessly {

class ActionButton;
class FolderStore;
class SymbolImages;
class TextField;

/// The editor's symbol button: the chosen symbol on a rounded tile; it opens the symbol grid.
class FolderIconButton final : public QAbstractButton {
    Q_OBJECT

public:
    FolderIconButton(const SymbolImages& symbols, QWidget* parent = nullptr);

    void setSymbolName(const QString& name);
    [[nodiscard]] const QString& symbolName() const { return m_symbolName; }
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SymbolImages& m_symbols;
    QString m_symbolName;
};

class FolderEditorSheet final : public SheetContent {
    Q_OBJECT

public:
    struct Parts {
        FolderStore& store;
        AppSettings& settings;
        const Localization& l10n;
        const SymbolImages& symbols;
        /// The current date, for a new folder's creation date.
        std::function<Date()> now;
    };

    /// Edits `folderToEdit`, or makes a new folder when there is none.
    FolderEditorSheet(Parts parts, std::optional<AppFolder> folderToEdit, QWidget* parent = nullptr);
    ~FolderEditorSheet() override;

    [[nodiscard]] QSize sizeHint() const override;

    [[nodiscard]] QLineEdit* nameFieldForTesting() const;
    [[nodiscard]] FolderIconButton* iconButton() const { return m_iconButton; }
    [[nodiscard]] ActionButton* saveButton() const { return m_save; }
    [[nodiscard]] ActionButton* cancelButton() const { return m_cancel; }
    /// The rule under the name field, in red once it has changed what was typed.
    [[nodiscard]] QLabel* nameRuleNote() const { return m_nameRuleNote; }
    [[nodiscard]] const QString& selectedIcon() const { return m_selectedIcon; }
    /// The symbol grid while it is open (or was last opened).
    [[nodiscard]] SymbolPickerPopover* iconPicker() const { return m_iconPicker; }

    /// Opens the symbol grid under the icon button.
    void openSymbolPicker();
    /// Saves (nothing for a blank name) and closes.
    void save();

protected:
    void retranslate() override;
    void cancel() override;

private:
    void nameEdited(const QString& text);
    void selectIcon(const QString& name);

    Parts m_parts;
    std::optional<AppFolder> m_folderToEdit;
    QString m_selectedIcon;
    QLabel* m_nameLabel;
    TextField* m_nameField;
    QLabel* m_nameRuleNote;
    QLabel* m_iconLabel;
    FolderIconButton* m_iconButton;
    ActionButton* m_cancel;
    ActionButton* m_save;
    QPointer<SymbolPickerPopover> m_iconPicker;
    /// Set while the field takes the name the rule made of what was typed.
    bool m_applyingRule = false;
};

} // namespace tessly
