#include "mainwindow/editor/symbol_picker_popover.h"

#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/popover_window.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/editor/folder_editor_logic.h"
#include "platform/gui/symbol_images.h"
#include "settings/localization.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tessly {

namespace {
constexpr int kCellSide = 34;
constexpr int kCellRadius = 8;
constexpr int kSymbolSize = 18;
constexpr int kRing = settings_metrics::kFocusRingWidth;
} // namespace

SymbolPickerCell::SymbolPickerCell(const SymbolImages& symbols, QString symbolName, QWidget* parent)
    : QAbstractButton(parent), m_symbols(symbols), m_symbolName(std::move(symbolName)) {
    setCheckable(true);
    // Arrow keys move between the cells; Tab leaves the grid from the cell it is on.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    // Repainted as the pointer comes and goes, for the hover shade.
    setAttribute(Qt::WA_Hover);
    setAccessibleName(spokenSymbolName(m_symbolName));
    setToolTip(m_symbolName);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SymbolPickerCell::sizeHint() const {
    return QSize(kCellSide + 2 * kRing, kCellSide + 2 * kRing);
}

void SymbolPickerCell::setShowsFocus(bool shows) {
    m_showsFocus = shows;
    update();
}

void SymbolPickerCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    const QRectF body = QRectF(rect()).adjusted(kRing, kRing, -kRing, -kRing);
    QColor ink = p.color(QPalette::Active, kPrimaryTextRole);
    if (isChecked()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(p.color(QPalette::Active, kAccentRole));
        painter.drawRoundedRect(body, kCellRadius, kCellRadius);
        ink = p.color(kOnAccentRole);
    } else if (underMouse() || isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(p.color(kControlFillRole));
        painter.drawRoundedRect(body, kCellRadius, kCellRadius);
    }
    if (const ImagePtr symbol = m_symbols.symbol(m_symbolName, kSymbolSize, SymbolWeight::regular)) {
        const QRectF square(body.center() - QPointF(kSymbolSize / 2.0, kSymbolSize / 2.0),
                            QSizeF(kSymbolSize, kSymbolSize));
        symbol->drawTinted(painter, square, ink);
    }
    if (hasFocus() && m_showsFocus) {
        paintFocusRing(painter, body, kCellRadius, p.color(QPalette::Active, kAccentRole));
    }
}

SymbolPickerPopover::SymbolPickerPopover(const SymbolImages& symbols, const Localization& l10n,
                                         QWidget* parent)
    : QWidget(parent, Qt::Popup), m_l10n(l10n), m_title(makeSettingsLabel(SettingsTextStyle::body)) {
    // A window of its own: without this it would not take the opener's palette, and so not its theme.
    setAttribute(Qt::WA_WindowPropagation);
    setFocusPolicy(Qt::ClickFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    QFont titleFont = settingsFont(SettingsFont::body);
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    m_title->setContentsMargins(kRing, 0, 0, 0);
    layout->addWidget(m_title);

    auto* grid = new QGridLayout;
    grid->setSpacing(0);
    const QStringList& names = availableFolderIcons();
    for (qsizetype i = 0; i < names.size(); ++i) {
        auto* cell = new SymbolPickerCell(symbols, names.at(i), this);
        cell->installEventFilter(this);
        connect(cell, &QAbstractButton::clicked, this, [this, cell] { choose(cell->symbolName()); });
        grid->addWidget(cell, static_cast<int>(i / kColumns), static_cast<int>(i % kColumns));
        m_cells.append(cell);
    }
    layout->addLayout(grid);
    retranslate();
}

SymbolPickerPopover::~SymbolPickerPopover() = default;

void SymbolPickerPopover::retranslate() {
    const QString title = m_l10n.localizedString(QStringLiteral("folder.editor.icon_label"));
    m_title->setText(title);
    setAccessibleName(title);
}

void SymbolPickerPopover::setSelectedIcon(const QString& name) {
    m_selected = name;
    for (SymbolPickerCell* cell : std::as_const(m_cells)) {
        cell->setChecked(cell->symbolName() == name);
    }
}

void SymbolPickerPopover::popUpBelow(QWidget* anchor) {
    // An opener that holds the keyboard was reached by keys: the grid shows where the keyboard is at once.
    const bool byKeyboard = anchor->hasFocus();
    for (SymbolPickerCell* cell : std::as_const(m_cells)) {
        cell->setShowsFocus(byKeyboard);
    }
    placePopoverBelow(*this, *anchor);
    const auto current = std::find_if(m_cells.cbegin(), m_cells.cend(),
                                      [](const SymbolPickerCell* cell) { return cell->isChecked(); });
    SymbolPickerCell* start = current != m_cells.cend() ? *current : m_cells.constFirst();
    start->setFocus(Qt::PopupFocusReason);
}

void SymbolPickerPopover::choose(const QString& name) {
    setSelectedIcon(name);
    hide();
    emit iconSelected(name);
}

void SymbolPickerPopover::showFocusRings() {
    for (SymbolPickerCell* cell : std::as_const(m_cells)) {
        cell->setShowsFocus(true);
    }
}

void SymbolPickerPopover::moveFocus(qsizetype from, int rows, int columns) {
    const qsizetype count = m_cells.size();
    const qsizetype row = from / kColumns;
    const qsizetype column = from % kColumns;
    qsizetype target = from;
    if (columns != 0) {
        // Left and right run on through the rows, as reading does.
        target = std::clamp<qsizetype>(from + columns, 0, count - 1);
    } else {
        const qsizetype moved = (row + rows) * kColumns + column;
        if (moved >= 0 && moved < count) {
            target = moved;
        }
    }
    m_cells.at(target)->setFocus(Qt::TabFocusReason);
}

bool SymbolPickerPopover::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const qsizetype index = m_cells.indexOf(static_cast<SymbolPickerCell*>(watched));
    if (index < 0) {
        return QWidget::eventFilter(watched, event);
    }
    showFocusRings();
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Left:
        moveFocus(index, 0, rightToLeft ? 1 : -1);
        return true;
    case Qt::Key_Right:
        moveFocus(index, 0, rightToLeft ? -1 : 1);
        return true;
    case Qt::Key_Up:
        moveFocus(index, -1, 0);
        return true;
    case Qt::Key_Down:
        moveFocus(index, 1, 0);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        choose(m_cells.at(index)->symbolName());
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void SymbolPickerPopover::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SymbolPickerPopover::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintPopoverGround(painter, *this);
}

void SymbolPickerPopover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

} // namespace tessly
