#include "mainwindow/editor/folder_editor_sheet.h"

#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/controls/text_field.h"
#include "mainwindow/editor/folder_editor_logic.h"
#include "mainwindow/editor/symbol_picker_popover.h"
#include "model/folder_store.h"
#include "platform/gui/symbol_images.h"
#include "settings/localization.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace tessly {

namespace {
constexpr int kSheetWidth = 400;
constexpr int kIconTileSide = 44;
constexpr int kIconTileRadius = 10;
constexpr int kIconSymbolSize = 22;
constexpr int kRing = settings_metrics::kFocusRingWidth + 1;
constexpr int kLabelSpacing = 6;
constexpr int kGroupSpacing = 14;
} // namespace

FolderIconButton::FolderIconButton(const SymbolImages& symbols, QWidget* parent)
    : QAbstractButton(parent), m_symbols(symbols) {
    useTabFocus(*this);
    setCursor(Qt::PointingHandCursor);
    // Repainted as the pointer comes and goes, for the hover shade.
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void FolderIconButton::setSymbolName(const QString& name) {
    m_symbolName = name;
    setAccessibleDescription(spokenSymbolName(name));
    update();
}

QSize FolderIconButton::sizeHint() const {
    return QSize(kIconTileSide + 2 * kRing, kIconTileSide + 2 * kRing);
}

void FolderIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    const QRectF body = QRectF(rect()).adjusted(kRing + 0.5, kRing + 0.5, -kRing - 0.5, -kRing - 0.5);
    QColor fill = p.color(kSectionBackgroundRole);
    if (isDown() || underMouse()) {
        fill =
            fill.lightness() > 128 ? fill.darker(isDown() ? 110 : 104) : fill.lighter(isDown() ? 130 : 115);
    }
    painter.setPen(QPen(p.color(kSectionBorderRole), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(body, kIconTileRadius, kIconTileRadius);
    if (const ImagePtr symbol = m_symbols.symbol(m_symbolName, kIconSymbolSize, SymbolWeight::regular)) {
        const QRectF square(body.center() - QPointF(kIconSymbolSize / 2.0, kIconSymbolSize / 2.0),
                            QSizeF(kIconSymbolSize, kIconSymbolSize));
        symbol->drawTinted(painter, square, p.color(QPalette::Active, kAccentRole));
    }
    if (hasFocus()) {
        paintFocusRing(painter, body, kIconTileRadius, p.color(QPalette::Active, kAccentRole));
    }
}

FolderEditorSheet::FolderEditorSheet(Parts parts, std::optional<AppFolder> folderToEdit, QWidget* parent)
    : SheetContent(parts.settings, parts.l10n, parent), m_parts(std::move(parts)),
      m_folderToEdit(std::move(folderToEdit)),
      m_selectedIcon(m_folderToEdit ? m_folderToEdit->emoji : availableFolderIcons().constFirst()),
      m_nameLabel(makeSettingsLabel(SettingsTextStyle::secondary)), m_nameField(new TextField),
      m_nameRuleNote(makeSettingsLabel(SettingsTextStyle::caption)),
      m_iconLabel(makeSettingsLabel(SettingsTextStyle::secondary)),
      m_iconButton(new FolderIconButton(m_parts.symbols)),
      m_cancel(new ActionButton(ActionButtonStyle::secondary, QString())),
      m_save(new ActionButton(ActionButtonStyle::primary, QString())) {
    QVBoxLayout* body = bodyLayout();
    // The labels line up with the fields' edges, inside the room the focus rings keep.
    m_nameLabel->setContentsMargins(kRing, 0, 0, 0);
    m_iconLabel->setContentsMargins(kRing, 0, 0, 0);
    m_nameRuleNote->setContentsMargins(kRing, 0, 0, 0);
    m_nameRuleNote->setWordWrap(true);
    body->addWidget(m_nameLabel);
    body->addSpacing(kLabelSpacing - kRing);
    body->addWidget(m_nameField);
    body->addWidget(m_nameRuleNote);
    body->addSpacing(kGroupSpacing - kRing);
    body->addWidget(m_iconLabel);
    body->addSpacing(kLabelSpacing - kRing);
    m_iconButton->setFixedSize(m_iconButton->sizeHint());
    body->addWidget(m_iconButton, 0, Qt::AlignLeft);
    buttonRow()->addWidget(m_cancel);
    buttonRow()->addWidget(m_save);
    m_nameLabel->setBuddy(m_nameField->lineEdit());
    m_iconLabel->setBuddy(m_iconButton);

    QLineEdit* field = m_nameField->lineEdit();
    if (m_folderToEdit) {
        // What the folder is called already stays as it is until the user changes it.
        field->setText(m_folderToEdit->name);
    }
    m_iconButton->setSymbolName(m_selectedIcon);
    m_save->setEnabled(trimmedFolderName(field->text()).has_value());
    m_save->setDefault(true);
    setFocusProxy(field);
    setTabOrder(field, m_iconButton);
    setTabOrder(m_iconButton, m_cancel);
    setTabOrder(m_cancel, m_save);

    connect(field, &QLineEdit::textChanged, this, &FolderEditorSheet::nameEdited);
    connect(field, &QLineEdit::returnPressed, this, &FolderEditorSheet::save);
    connect(m_iconButton, &QAbstractButton::clicked, this, &FolderEditorSheet::openSymbolPicker);
    connect(m_cancel, &QAbstractButton::clicked, this, &FolderEditorSheet::cancel);
    connect(m_save, &QAbstractButton::clicked, this, &FolderEditorSheet::save);
    finishSetup();
}

FolderEditorSheet::~FolderEditorSheet() {
    delete m_iconPicker;
}

QSize FolderEditorSheet::sizeHint() const {
    const QLayout* content = layout();
    return QSize(kSheetWidth, content->hasHeightForWidth() ? content->totalHeightForWidth(kSheetWidth)
                                                           : content->totalSizeHint().height());
}

QLineEdit* FolderEditorSheet::nameFieldForTesting() const {
    return m_nameField->lineEdit();
}

void FolderEditorSheet::retranslate() {
    setTitle(text(m_folderToEdit ? QStringLiteral("folder.editor.title.edit")
                                 : QStringLiteral("folder.editor.title.new")));
    m_nameLabel->setText(text(QStringLiteral("folder.editor.name_label")));
    QLineEdit* field = m_nameField->lineEdit();
    field->setPlaceholderText(text(QStringLiteral("folder.editor.name_placeholder_example")));
    field->setAccessibleName(text(QStringLiteral("folder.editor.name_placeholder")));
    m_nameRuleNote->setText(text(QStringLiteral("folder.editor.name_rule")));
    field->setAccessibleDescription(m_nameRuleNote->text());
    m_iconLabel->setText(text(QStringLiteral("folder.editor.icon_label")));
    m_iconButton->setAccessibleName(m_iconLabel->text());
    m_cancel->setText(text(QStringLiteral("folder.editor.btn.cancel")));
    m_save->setText(text(QStringLiteral("folder.editor.btn.save")));
    for (ActionButton* button : {m_cancel, m_save}) {
        button->setAccessibleName(button->text());
        button->updateGeometry();
    }
    if (m_iconPicker) {
        m_iconPicker->retranslate();
    }
}

void FolderEditorSheet::nameEdited(const QString& text) {
    const FolderNameRuleResult ruled = applyFolderNameRule(text);
    if (ruled.changed()) {
        QLineEdit* field = m_nameField->lineEdit();
        // Setting the text calls this again with a name the rule leaves alone.
        const int cursor = field->cursorPosition() - static_cast<int>(text.size() - ruled.name.size());
        {
            const QScopedValueRollback applyingRule(m_applyingRule, true);
            field->setText(ruled.name);
        }
        field->setCursorPosition(std::clamp(cursor, 0, static_cast<int>(ruled.name.size())));
        // The rule, always under the field, turns red to say why a character did not appear.
        m_nameRuleNote->setForegroundRole(kDestructiveRole);
        return;
    }
    if (!m_applyingRule) {
        m_nameRuleNote->setForegroundRole(kSecondaryTextRole);
    }
    m_save->setEnabled(trimmedFolderName(text).has_value());
}

void FolderEditorSheet::openSymbolPicker() {
    if (!m_iconPicker) {
        m_iconPicker = new SymbolPickerPopover(m_parts.symbols, l10n(), this);
        // When the grid closes, the keyboard goes back to where it was in the window.
        connect(m_iconPicker, &SymbolPickerPopover::iconSelected, this, &FolderEditorSheet::selectIcon);
    }
    m_iconPicker->setSelectedIcon(m_selectedIcon);
    m_iconPicker->popUpBelow(m_iconButton);
}

void FolderEditorSheet::selectIcon(const QString& name) {
    m_selectedIcon = name;
    m_iconButton->setSymbolName(name);
}

void FolderEditorSheet::save() {
    if (!saveFolderFromEditor(m_parts.store, m_folderToEdit, m_nameField->lineEdit()->text(), m_selectedIcon,
                              m_parts.now())) {
        return; // a blank name saves nothing, and the sheet stays for a name
    }
    m_parts.store.setShowingFolderEditor(false);
}

void FolderEditorSheet::cancel() {
    m_parts.store.setShowingFolderEditor(false);
}

} // namespace tessly
