// The grid of symbols a folder can wear, opened from the folder editor's icon button and from a folder card
// in editing mode. The current symbol is marked; a click, or Return or Space on the cell the arrow keys
// reached, chooses a symbol and closes the grid; Escape or a click outside closes it without a choice.
//
//     auto* picker = new SymbolPickerPopover(symbols, l10n, anchor);
//     picker->setSelectedIcon(folder.emoji);
//     connect(picker, &SymbolPickerPopover::iconSelected, this, [this](const QString& name) { m_icon = name;
//     }); picker->popUpBelow(anchor);
//
// Every cell carries the symbol's name as words for a screen reader, and says whether it is the current one.
// Main thread only.
#pragma once

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class QLabel;

namespace tessly {

class Localization;
class SymbolImages;

/// One symbol of the grid: a checkable button, checked for the current symbol.
class SymbolPickerCell final : public QAbstractButton {
    Q_OBJECT

public:
    SymbolPickerCell(const SymbolImages& symbols, QString symbolName, QWidget* parent = nullptr);

    [[nodiscard]] const QString& symbolName() const { return m_symbolName; }
    [[nodiscard]] QSize sizeHint() const override;
    /// Whether the focus ring shows when the cell has the keyboard (after keys were used, not after a click).
    void setShowsFocus(bool shows);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SymbolImages& m_symbols;
    QString m_symbolName;
    bool m_showsFocus = false;
};

class SymbolPickerPopover final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kColumns = 9;

    SymbolPickerPopover(const SymbolImages& symbols, const Localization& l10n, QWidget* parent = nullptr);
    ~SymbolPickerPopover() override;

    /// Marks `name` as the current symbol (a name not in the grid marks none).
    void setSelectedIcon(const QString& name);
    [[nodiscard]] const QString& selectedIcon() const { return m_selected; }
    [[nodiscard]] const QList<SymbolPickerCell*>& cells() const { return m_cells; }

    /// Sets the texts again in the current language.
    void retranslate();
    /// Opens as a popup under `anchor` (over it when there is no room below), with the keyboard on the
    /// current symbol.
    void popUpBelow(QWidget* anchor);

signals:
    /// The user chose `name`; the grid has closed.
    void iconSelected(const QString& name);
    /// The grid closed, with or without a choice.
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(const QString& name);
    /// Moves the keyboard from cell `from` by `rows` and `columns`, staying inside the grid.
    void moveFocus(qsizetype from, int rows, int columns);
    void showFocusRings();

    const Localization& m_l10n;
    QLabel* m_title;
    QList<SymbolPickerCell*> m_cells;
    QString m_selected;
};

} // namespace tessly
