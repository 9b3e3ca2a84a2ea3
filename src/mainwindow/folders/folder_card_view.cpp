#include "mainwindow/folders/folder_card_view.h"

#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/controls/toggle_switch.h"
#include "mainwindow/editor/folder_editor_logic.h"
#include "model/display_text.h"
#include "model/notification_names.h"
#include "model/uuid_text.h"
#include "settings/localization.h"
#include "tile/tile_image.h"

#include <QApplication>
#include <QDrag>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tessly {

using namespace folder_card;

namespace {

constexpr int kExpandMilliseconds = 340;
constexpr double kDragEndSeconds = 0.1;
const char kAppEntryMimeType[] = "application/x-tessly-app-entry";

/// The chevron: a button that turns as the card opens.
class ChevronButton final : public QAbstractButton {
public:
    ChevronButton(const SymbolImages& symbols, QWidget* parent)
        : QAbstractButton(parent),
          m_symbol(symbols.symbol(QStringLiteral("chevron.right"), 14, SymbolWeight::bold)) {
        setFixedSize(kChevronSide, kChevronSide);
        useTabFocus(*this);
        setCursor(Qt::PointingHandCursor);
    }
    void setTurn(double progress) {
        m_turn = progress;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (hasFocus()) {
            paintFocusRing(painter, QRectF(rect()).adjusted(2, 2, -2, -2), 6, palette().color(kAccentRole));
        }
        // Dimmed while the card is being edited: it stays open until Done.
        painter.setOpacity(isEnabled() ? 1.0 : 0.35);
        painter.translate(width() / 2.0, height() / 2.0);
        painter.rotate(90.0 * m_turn);
        if (m_symbol) {
            m_symbol->drawTinted(painter, QRectF(-7, -7, 14, 14), palette().color(kSecondaryTextRole));
        }
    }

private:
    ImagePtr m_symbol;
    double m_turn = 0.0;
};

} // namespace

FolderCardView::FolderCardView(const FolderCardContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_state(&m_ownState) {
    setAcceptDrops(true);
    setAttribute(Qt::WA_Hover);
    m_inDock = new ToggleSwitch(this);
    connect(m_inDock, &ToggleSwitch::toggledByUser, this, &FolderCardView::toggleInDock);
    auto* chevron = new ChevronButton(context.symbols, this);
    m_chevron = chevron;
    connect(chevron, &QAbstractButton::clicked, this, [this] { setExpanded(!m_state->expanded); });

    makeNameField();
    makeSymbolButton();
    m_edit = new ActionButton(ActionButtonStyle::secondary, QString(), &context.symbols, QString(), this);
    connect(m_edit, &QAbstractButton::clicked, this,
            [this] { m_state->editing ? finishEditing() : beginEditing(); });
    m_add = new ActionButton(ActionButtonStyle::secondaryIcon, QString(), &context.symbols,
                             QStringLiteral("plus"), this);
    connect(m_add, &QAbstractButton::clicked, this, &FolderCardView::addApplications);
    m_delete = new ActionButton(ActionButtonStyle::destructive, QString(), &context.symbols, QString(), this);
    connect(m_delete, &QAbstractButton::clicked, this, &FolderCardView::confirmDelete);

    setUpExpansion();
    retranslate();
}

FolderCardView::~FolderCardView() = default;

void FolderCardView::makeNameField() {
    m_nameField = new QLineEdit(this);
    m_nameField->hide();
    connect(m_nameField, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString ruled = m_context.nameRule ? m_context.nameRule(text) : text;
        if (ruled != text) {
            const int cursor = m_nameField->cursorPosition() - static_cast<int>(text.size() - ruled.size());
            m_nameField->setText(ruled);
            m_nameField->setCursorPosition(std::max(0, cursor));
        }
        m_state->editingName = ruled;
    });
    connect(m_nameField, &QLineEdit::returnPressed, this, &FolderCardView::finishEditing);
}

void FolderCardView::makeSymbolButton() {
    m_symbolButton = new ActionButton(ActionButtonStyle::secondaryIcon, QString(), &m_context.symbols,
                                      QStringLiteral("folder.fill"), this);
    connect(m_symbolButton, &QAbstractButton::clicked, this, [this] {
        if (!m_context.pickSymbol) {
            return;
        }
        QPointer<FolderCardView> self(this);
        const QUuid id = m_folder.id;
        const auto stateOf = m_context.stateOf;
        m_context.pickSymbol(m_symbolButton, m_state->editingIcon,
                             [self, id, stateOf](const QString& symbol) {
                                 if (FolderCardState* state = stateOf ? stateOf(id) : nullptr) {
                                     state->editingIcon = symbol;
                                 } else if (self && self->m_folder.id == id) {
                                     self->m_state->editingIcon = symbol;
                                 }
                                 // The button and the tile show the symbol at once; the folder takes it with
                                 // Done.
                                 if (self && self->m_folder.id == id) {
                                     self->refreshTile(false);
                                     self->layOutControls();
                                     self->update();
                                 }
                             });
    });
}

void FolderCardView::setUpExpansion() {
    m_expansion.setDuration(kExpandMilliseconds);
    // A spring that settles without much overshoot, as a damping of 0.8 does.
    QEasingCurve spring(QEasingCurve::OutBack);
    spring.setOvershoot(0.6);
    m_expansion.setEasingCurve(spring);
    connect(&m_expansion, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_expansionProgress = value.toDouble();
        static_cast<ChevronButton*>(m_chevron)->setTurn(std::clamp(m_expansionProgress, 0.0, 1.0));
        emit heightChanged();
        update();
    });
}

void FolderCardView::bind(const AppFolder& folder, FolderCardState* state) {
    const bool other = folder.id != m_folder.id || state != m_state;
    m_folder = folder;
    m_state = state ? state : &m_ownState;
    if (other) {
        m_expansion.stop();
        m_expansionProgress = m_state->expanded ? 1.0 : 0.0;
        static_cast<ChevronButton*>(m_chevron)->setTurn(m_expansionProgress);
    }
    refreshTile(other);
    m_inDock->setCheckedSilently(m_folder.isInDock);
    m_inDock->setAccessibleName(text(QStringLiteral("main.folder.in_dock")) + QStringLiteral(": ") +
                                isolatedName(m_folder.name));
    if (m_state->editing && !m_nameField->hasFocus()) {
        m_nameField->setText(m_state->editingName);
    }
    retranslate();
    layOutControls();
    update();
}

void FolderCardView::refreshTile(bool force) {
    AppFolder shown = m_folder;
    if (m_state->editing) {
        shown.emoji = m_state->editingIcon;
    }
    // The list binds its cards again on every relayout (each frame of an opening card): the tile is drawn
    // anew only when what it shows changed.
    if (!force && m_tile && shown.id == m_tileFolder.id && shown.emoji == m_tileFolder.emoji &&
        shown.apps == m_tileFolder.apps && shown.tileStyle == m_tileFolder.tileStyle) {
        return;
    }
    m_tileFolder = shown;
    const AppSettings* settings = &m_context.settings;
    m_tile = makeFolderTileImage(shown, m_context.symbols, m_context.icons, [settings]() -> TileDrawSettings {
        return TileDrawSettings{settings->tileIconPadding(), settings->appTheme()};
    });
    update();
}

const QList<AppItem>& FolderCardView::shownApps() const {
    return m_state->editing ? m_state->editingApps : m_folder.apps;
}

int FolderCardView::heightFor(const AppFolder& folder, const FolderCardState& state, int width) {
    if (!state.expanded) {
        return kHeaderHeight;
    }
    return kHeaderHeight +
           cardExpandedExtra(state.editing ? state.editingApps.size() : folder.apps.size(), width);
}

int FolderCardView::currentHeight(const AppFolder& folder, const FolderCardState& state, int width) const {
    const double progress = std::max(0.0, m_expansionProgress);
    const qsizetype count = state.editing ? state.editingApps.size() : folder.apps.size();
    return kHeaderHeight + static_cast<int>(std::lround(progress * cardExpandedExtra(count, width)));
}

void FolderCardView::setExpanded(bool expanded) {
    // Closing would hide Done, the add button and the remove buttons with the edits still pending.
    if (m_state->expanded == expanded || (m_state->editing && !expanded)) {
        return;
    }
    m_state->expanded = expanded;
    m_expansion.stop();
    m_expansion.setStartValue(m_expansionProgress);
    m_expansion.setEndValue(expanded ? 1.0 : 0.0);
    m_expansion.start();
    layOutControls();
}

void FolderCardView::beginEditing() {
    m_state->editing = true;
    m_state->editingName = m_folder.name;
    m_state->editingIcon = m_folder.emoji;
    m_state->editingApps = m_folder.apps;
    m_nameField->setText(m_state->editingName);
    if (!m_state->expanded) {
        setExpanded(true);
    }
    refreshTile(false);
    retranslate();
    layOutControls();
    m_nameField->setFocus(Qt::OtherFocusReason);
    emit heightChanged();
    update();
}

void FolderCardView::finishEditing() {
    if (!m_state->editing) {
        return;
    }
    const AppFolder edited =
        finishedEdit(m_folder, m_state->editingName, m_state->editingIcon, m_state->editingApps);
    m_state->editing = false;
    m_state->editingApps.clear();
    refreshTile(false);
    retranslate();
    layOutControls();
    emit heightChanged();
    m_context.store.updateFolder(edited);
}

void FolderCardView::addApplications() {
    QSet<QString> held;
    for (const AppItem& app : shownApps()) {
        held.insert(app.bundleID);
    }
    const QUuid id = m_folder.id;
    FolderStore& store = m_context.store;
    const auto stateOf = m_context.stateOf;
    const auto cardChanged = m_context.cardChanged;
    store.setAppPickerCurrentBundleIDs(held);
    store.setAppPickerCallback([&store, stateOf, cardChanged, id](const QList<AppItem>& chosen) {
        FolderCardState* state = stateOf ? stateOf(id) : nullptr;
        if (state && state->editing) {
            // They reach the folder with "Done", like every other edit.
            state->editingApps = withChosenApplications(state->editingApps, chosen);
            if (cardChanged) {
                cardChanged(id);
            }
            return;
        }
        if (std::optional<AppFolder> folder = store.folder(id)) {
            folder->apps = withChosenApplications(folder->apps, chosen);
            store.updateFolder(*folder);
        }
    });
    store.setShowingAppPicker(true);
}

void FolderCardView::confirmDelete() {
    m_context.store.setFolderPendingDelete(m_folder);
}

void FolderCardView::toggleInDock(bool on) {
    const InDockChange change = inDockChange(m_folder, on);
    if (change.showEmptyFolderAlert) {
        m_inDock->setCheckedSilently(m_folder.isInDock);
        if (!m_context.store.showingEmptyFolderAlert()) {
            m_context.store.setShowingEmptyFolderAlert(true);
        }
        return;
    }
    if (change.updated) {
        m_context.store.updateFolder(*change.updated);
    }
}

QString FolderCardView::text(const QString& key) const {
    return m_context.l10n.localizedString(key);
}

void FolderCardView::retranslate() {
    m_edit->setText(
        text(m_state->editing ? QStringLiteral("main.folder.done") : QStringLiteral("main.folder.edit")));
    m_add->setAccessibleName(text(QStringLiteral("Add")));
    m_add->setToolTip(m_add->accessibleName());
    m_delete->setText(text(QStringLiteral("main.folder.delete")));
    m_symbolButton->setAccessibleName(text(QStringLiteral("Icon")));
    m_symbolButton->setToolTip(m_symbolButton->accessibleName());
    m_nameField->setAccessibleName(displayedName(m_folder.name));
    m_chevron->setAccessibleName(displayedName(m_folder.name));
}

void FolderCardView::layOutControls() {
    const int chevronX = width() - kSideMargin - kChevronSide;
    m_chevron->move(chevronX, (kHeaderHeight - kChevronSide) / 2);
    const QSize switchSize = m_inDock->sizeHint();
    m_inDock->setGeometry(chevronX - kControlSpacing - switchSize.width(),
                          (kHeaderHeight - switchSize.height()) / 2, switchSize.width(), switchSize.height());

    const bool editing = m_state->editing;
    m_chevron->setEnabled(!editing);
    if (editing) {
        m_symbolButton->setSymbolName(m_state->editingIcon);
        m_symbolButton->setAccessibleDescription(spokenSymbolName(m_state->editingIcon));
    }
    m_nameField->setVisible(editing);
    if (editing) {
        m_nameField->setGeometry(kTextLeft, 10, std::min(240, m_inDock->x() - kTextLeft - 80), 26);
    }
    const bool showButtons = m_state->expanded;
    const int buttonsY = kHeaderHeight + 10 + cardGridHeight(shownApps().size(), width()) + 12;
    int x = kSideMargin;
    for (ActionButton* button : {m_edit, m_symbolButton, m_add}) {
        const bool shown = showButtons && (button != m_symbolButton || editing);
        button->setVisible(shown);
        if (shown) {
            const QSize size = button->sizeHint();
            button->setGeometry(x, buttonsY + (kButtonsRowHeight - size.height()) / 2, size.width(),
                                size.height());
            x += size.width() + 8;
        }
    }
    m_delete->setVisible(showButtons);
    if (showButtons) {
        const QSize size = m_delete->sizeHint();
        m_delete->setGeometry(width() - kSideMargin - size.width(),
                              buttonsY + (kButtonsRowHeight - size.height()) / 2, size.width(),
                              size.height());
    }
}

void FolderCardView::resizeEvent(QResizeEvent*) {
    layOutControls();
}

void FolderCardView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        update();
    }
}

QRect FolderCardView::cellRect(qsizetype index) const {
    return cardCellRect(index, width());
}

QRect FolderCardView::removeButtonRect(qsizetype index) const {
    return cardRemoveButtonRect(index, width());
}

std::optional<qsizetype> FolderCardView::cellAt(const QPoint& position) const {
    for (qsizetype index = 0; index < shownApps().size(); ++index) {
        if (cellRect(index).contains(position)) {
            return index;
        }
    }
    return std::nullopt;
}

QImage FolderCardView::iconFor(const AppItem& app) const {
    return m_context.iconForPath ? m_context.iconForPath(app.appURL.toLocalFile()) : QImage();
}

void FolderCardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    painter.fillPath(card, palette().color(kSectionBackgroundRole));
    painter.setPen(QPen(palette().color(kSectionBorderRole), 1));
    painter.drawPath(card);
    painter.setClipPath(card);

    paintHeader(painter);
    if (m_expansionProgress <= 0.0) {
        return;
    }
    painter.setPen(QPen(palette().color(kSeparatorRole), 1));
    painter.drawLine(QPointF(kSideMargin, kHeaderHeight + 0.5),
                     QPointF(width() - kSideMargin, kHeaderHeight + 0.5));
    if (shownApps().isEmpty()) {
        paintEmptyGrid(painter);
    } else {
        paintApps(painter);
    }
}

QFont FolderCardView::nameFont() {
    QFont font = settingsFont(SettingsFont::body);
    font.setWeight(QFont::DemiBold);
    return font;
}

void FolderCardView::paintHeader(QPainter& painter) const {
    if (m_tile) {
        m_tile->draw(painter, cardTileRect());
    }
    const QFont name = nameFont();
    const QFont caption = settingsFont(SettingsFont::caption);
    const QString count = m_context.l10n.localizedString(
        m_context.l10n.pluralKey(QStringLiteral("main.app_count"), m_folder.apps.size()),
        {static_cast<std::int64_t>(m_folder.apps.size())});
    const QString marker = m_context.l10n.localizedString(QStringLiteral("main.folder.in_dock"));
    const QFontMetrics captionMetrics(caption);
    const CardHeaderLayout layout = cardHeaderLayout(
        m_inDock->x() - kControlSpacing, captionMetrics.horizontalAdvance(count),
        m_folder.isInDock ? std::optional(captionMetrics.horizontalAdvance(marker)) : std::nullopt);
    if (!m_state->editing) {
        painter.setFont(name);
        painter.setPen(palette().color(kPrimaryTextRole));
        painter.drawText(
            layout.name, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(name).elidedText(displayedName(m_folder.name), Qt::ElideRight, layout.name.width()));
    }
    painter.setFont(caption);
    painter.setPen(palette().color(kSecondaryTextRole));
    painter.drawText(layout.count, Qt::AlignLeft | Qt::AlignVCenter, count);
    if (layout.inDockMarker) {
        QColor fill = palette().color(kAccentRole);
        fill.setAlpha(40);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(*layout.inDockMarker, 8, 8);
        painter.setPen(palette().color(kAccentRole));
        painter.drawText(*layout.inDockMarker, Qt::AlignCenter, marker);
    }
}

void FolderCardView::paintEmptyGrid(QPainter& painter) const {
    const QColor secondary = palette().color(kSecondaryTextRole);
    const QRect area(kSideMargin, kGridTop, width() - 2 * kSideMargin, kEmptyGridHeight);
    if (const ImagePtr empty =
            m_context.symbols.symbol(QStringLiteral("folder.badge.plus"), 22, SymbolWeight::regular)) {
        empty->drawTinted(painter, QRectF(area.left(), area.top() + 10, 22, 22), secondary);
    }
    painter.setFont(nameFont());
    painter.setPen(palette().color(kPrimaryTextRole));
    painter.drawText(area.adjusted(32, 6, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                     m_context.l10n.localizedString(QStringLiteral("This folder is empty")));
    painter.setFont(settingsFont(SettingsFont::caption));
    painter.setPen(secondary);
    painter.drawText(area.adjusted(32, 28, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                     m_context.l10n.localizedString(QStringLiteral("Add apps to get started.")));
}

void FolderCardView::paintApps(QPainter& painter) const {
    const QColor primary = palette().color(kPrimaryTextRole);
    const QColor secondary = palette().color(kSecondaryTextRole);
    const QFont caption = settingsFont(SettingsFont::caption);
    const QFontMetrics captionMetrics(caption);
    painter.setFont(caption);
    const QList<AppItem>& apps = shownApps();
    for (qsizetype index = 0; index < apps.size(); ++index) {
        const AppItem& app = apps.at(index);
        const QRect cell = cellRect(index);
        if (cell.top() > height()) {
            break;
        }
        const bool dragged = m_state->draggingAppID && *m_state->draggingAppID == app.id;
        painter.setOpacity(dragged ? 0.35 : 1.0);
        const QRectF icon = cardAppIconRect(cell);
        // Until its icon is read (after this frame), an application is drawn as a dashed outline.
        if (const QImage image = iconFor(app); !image.isNull()) {
            painter.drawImage(icon, image);
        } else if (const ImagePtr dashed = m_context.symbols.symbol(QStringLiteral("app.dashed"),
                                                                    kAppIconSide, SymbolWeight::regular)) {
            dashed->drawTinted(painter, icon, secondary);
        }
        painter.setPen(primary);
        painter.drawText(cardAppNameRect(cell), Qt::AlignCenter,
                         captionMetrics.elidedText(displayedName(app.name), Qt::ElideRight, cell.width()));
        if (m_state->editing) {
            const QRectF remove = removeButtonRect(index);
            painter.setPen(Qt::NoPen);
            painter.setBrush(palette().color(kDestructiveRole));
            painter.drawEllipse(remove);
            painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(remove.left() + 5, remove.center().y()),
                             QPointF(remove.right() - 5, remove.center().y()));
        }
    }
    painter.setOpacity(1.0);
}

void FolderCardView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint position = event->position().toPoint();
    m_pressedCell.reset();
    if (position.y() < kHeaderHeight) {
        // A press on the header opens or closes the card, as the chevron does.
        setExpanded(!m_state->expanded);
        return;
    }
    if (!m_state->editing) {
        return;
    }
    for (qsizetype index = 0; index < m_state->editingApps.size(); ++index) {
        if (removeButtonRect(index).contains(position)) {
            m_state->editingApps.removeAt(index);
            layOutControls();
            emit heightChanged();
            update();
            return;
        }
    }
    m_pressPosition = position;
    m_pressedCell = cellAt(position);
}

void FolderCardView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_state->editing || !m_pressedCell || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - m_pressPosition).manhattanLength() <
            QApplication::startDragDistance()) {
        return;
    }
    const qsizetype index = *m_pressedCell;
    m_pressedCell.reset();
    if (index >= m_state->editingApps.size()) {
        return;
    }
    const AppItem app = m_state->editingApps.at(index);
    m_state->draggingAppID = app.id;
    update();
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kAppEntryMimeType), uuidText(app.id).toUtf8());
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    if (const QImage image = iconFor(app); !image.isNull()) {
        drag->setPixmap(QPixmap::fromImage(image));
        drag->setHotSpot(QPoint(kAppIconSide / 2, kAppIconSide / 2));
    }
    drag->exec(Qt::MoveAction);
    endDrag();
}

void FolderCardView::dragEnterEvent(QDragEnterEvent* event) {
    if (m_state->editing && event->mimeData()->hasFormat(QString::fromLatin1(kAppEntryMimeType))) {
        event->acceptProposedAction();
    }
}

void FolderCardView::dragMoveEvent(QDragMoveEvent* event) {
    if (!m_state->editing || !m_state->draggingAppID) {
        return;
    }
    event->acceptProposedAction();
    const std::optional<qsizetype> target = cellAt(event->position().toPoint());
    if (!target || *target >= m_state->editingApps.size()) {
        return;
    }
    const QUuid targetID = m_state->editingApps.at(*target).id;
    if (targetID != *m_state->draggingAppID) {
        m_state->editingApps = reorderedApplications(m_state->editingApps, *m_state->draggingAppID, targetID);
        update();
    }
}

void FolderCardView::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    endDrag();
}

void FolderCardView::endDrag() {
    // Cleared a moment after the drop, so that the last move is drawn in place first.
    const QUuid id = m_folder.id;
    const auto stateOf = m_context.stateOf;
    QPointer<FolderCardView> self(this);
    m_context.queue.asyncAfter(kDragEndSeconds, [self, stateOf, id] {
        if (FolderCardState* state = stateOf ? stateOf(id) : nullptr) {
            state->draggingAppID.reset();
        }
        if (self) {
            self->update();
        }
    });
}

} // namespace tessly
