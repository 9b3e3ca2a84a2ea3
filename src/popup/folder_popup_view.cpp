#include "popup/folder_popup_view.h"

#include "model/display_text.h"
#include "platform/gui/symbol_images.h"
#include "popup/popup_app_icon_view.h"
#include "settings/app_settings.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGraphicsEffect>
#include <QKeyEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

// The icon font draws its glyphs within 20 of the 24 units of its em: a symbol square this much larger than
// the text size gives a glyph as large as a text glyph of that size.
constexpr double kSymbolEmScale = 24.0 / 20.0;
// The arrow slides to a new offset in this time.
constexpr int kArrowSlideMilliseconds = 250;

QFont popupFont(double size, QFont::Weight weight) {
    QFont font(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(weight);
    // Sizes are in points of the layout, which are the view's device-independent pixels.
    font.setPixelSize(static_cast<int>(std::lround(size)));
    return font;
}

bool isPopupField(AppSettings::Field field) {
    switch (field) {
    case AppSettings::Field::appTheme:
    case AppSettings::Field::popupShowTitle:
    case AppSettings::Field::popupColumns:
    case AppSettings::Field::popupIconSize:
    case AppSettings::Field::popupShowAppName:
    case AppSettings::Field::popupPosition:
    case AppSettings::Field::popupBlurStyle:
    case AppSettings::Field::popupOpacity:
    case AppSettings::Field::popupAnimationStyle:
        return true;
    default:
        return false;
    }
}

/// Draws a template symbol in `tint`, centred in `square` and turned by `degrees` about its centre; the
/// name as text when there is no such symbol.
void drawSymbol(QPainter& painter, const SymbolImages& symbols, const QString& name, double textSize,
                SymbolWeight weight, const QRectF& square, const QColor& tint, double degrees) {
    const double side = textSize * kSymbolEmScale;
    const QRectF target(square.center().x() - side / 2, square.center().y() - side / 2, side, side);
    painter.save();
    painter.translate(target.center());
    painter.rotate(degrees);
    painter.translate(-target.center());
    if (const ImagePtr symbol = symbols.symbol(name, side, weight)) {
        symbol->drawTinted(painter, target, tint);
    } else {
        painter.setPen(tint);
        painter.drawText(square, Qt::AlignCenter, name.left(1));
    }
    painter.restore();
}

/// The pin: a leaning pin when not pinned, an upright one when pinned; the whole square is the hit area.
class PopupPinButton final : public QAbstractButton {
public:
    PopupPinButton(const SymbolImages& symbols, QWidget* parent)
        : QAbstractButton(parent), m_symbols(symbols) {
        setFocusPolicy(Qt::NoFocus);
        setCheckable(true);
    }
    void setTint(const QColor& tint) {
        m_tint = tint;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        painter.setOpacity(isDown() ? kPopupPinPressedOpacity : 1.0);
        drawSymbol(painter, m_symbols, pinSymbolName(isChecked()), kPopupPinFontSize, SymbolWeight::regular,
                   QRectF(rect()), m_tint, pinRotationDegrees(isChecked()));
    }

private:
    const SymbolImages& m_symbols;
    QColor m_tint;
};

/// The close button: a cross on a filled circle, which is its hit area.
class PopupCloseButton final : public QAbstractButton {
public:
    PopupCloseButton(const SymbolImages& symbols, QWidget* parent)
        : QAbstractButton(parent), m_symbols(symbols) {
        setFocusPolicy(Qt::NoFocus);
    }
    void setColors(const QColor& glyph, const QColor& circle) {
        m_glyph = glyph;
        m_circle = circle;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        painter.setOpacity(isDown() ? kPopupClosePressedOpacity : 1.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_circle);
        painter.drawEllipse(QRectF(rect()));
        drawSymbol(painter, m_symbols, QStringLiteral("xmark"), kPopupCloseFontSize, SymbolWeight::bold,
                   QRectF(rect()), m_glyph, 0);
    }
    [[nodiscard]] bool hitButton(const QPoint& pos) const override {
        const QPointF d = QPointF(pos) + QPointF(0.5, 0.5) - QRectF(rect()).center();
        const double radius = width() / 2.0;
        return d.x() * d.x() + d.y() * d.y() <= radius * radius;
    }

private:
    const SymbolImages& m_symbols;
    QColor m_glyph;
    QColor m_circle;
};

/// Draws the view and its children faded and scaled about the centre while the popup is presented.
class PresentationEffect final : public QGraphicsEffect {
public:
    using QGraphicsEffect::QGraphicsEffect;

    void setState(double scale, double opacity) {
        m_scale = scale;
        m_opacity = opacity;
        update();
    }

protected:
    void draw(QPainter* painter) override {
        QPoint offset;
        const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
        const QPointF centre = boundingRect().center();
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->setOpacity(std::clamp(m_opacity, 0.0, 1.0));
        painter->translate(centre);
        painter->scale(m_scale, m_scale);
        painter->translate(-centre);
        painter->drawPixmap(offset, pixmap);
        painter->restore();
    }

private:
    double m_scale = 1.0;
    double m_opacity = 1.0;
};

} // namespace

FolderPopupView::FolderPopupView(AppFolder folder, DockEdge dockEdge, std::optional<double> maximumHeight,
                                 std::function<void()> onDismiss, std::function<void(bool)> onTogglePin,
                                 AppSettings& settings, const WorkspaceIcons& icons,
                                 const SymbolImages& symbols, Workspace& workspace, MainQueue& queue,
                                 Console& console, QWidget* parent)
    : QWidget(parent), m_folder(std::move(folder)), m_dockEdge(dockEdge), m_maximumHeight(maximumHeight),
      m_onDismiss(std::move(onDismiss)), m_onTogglePin(std::move(onTogglePin)), m_settings(settings),
      m_icons(icons), m_symbols(symbols), m_workspace(workspace), m_queue(queue), m_console(console),
      m_arrowAnimation(new QVariantAnimation(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);

    // Cells are made as their rows come into view.
    m_cells.fill(nullptr, m_folder.apps.size());
    auto* pin = new PopupPinButton(symbols, this);
    connect(pin, &QAbstractButton::clicked, this, [this] { togglePin(); });
    m_pinButton = pin;
    auto* close = new PopupCloseButton(symbols, this);
    connect(close, &QAbstractButton::clicked, this, [this] {
        if (m_onDismiss) {
            m_onDismiss();
        }
    });
    m_closeButton = close;

    m_arrowAnimation->setDuration(kArrowSlideMilliseconds);
    m_arrowAnimation->setEasingCurve(QEasingCurve::OutCubic);
    m_arrowAnimation->setStartValue(0.0);
    m_arrowAnimation->setEndValue(1.0);
    connect(m_arrowAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_shape = PopupShape::interpolated(m_arrowSlideFrom, m_arrowSlideTo, value.toDouble());
        updateOutline();
    });
    connect(&m_settings, &AppSettings::changed, this, [this](AppSettings::Field field) {
        if (field == AppSettings::Field::popupArrowOffset) {
            moveArrowTo(m_settings.popupArrowOffset());
        } else if (isPopupField(field)) {
            relayout();
        }
    });
    m_shape = folderPopupShape(m_dockEdge, m_settings.popupArrowOffset());
    relayout();
}

FolderPopupView::~FolderPopupView() {
    // The cells go with the view's children; their focus changes on the way must not reach this view's
    // filter.
    for (PopupAppIconView* cell : std::as_const(m_cells)) {
        if (cell) {
            cell->removeEventFilter(this);
        }
    }
}

QSize FolderPopupView::sizeHint() const {
    return {static_cast<int>(std::ceil(m_layout.panelSize.width())),
            static_cast<int>(std::ceil(m_layout.panelSize.height()))};
}

void FolderPopupView::setButtonNames(const QString& close, const QString& pin) {
    m_closeButton->setAccessibleName(close);
    m_pinButton->setAccessibleName(pin);
}

void FolderPopupView::setCompositorIsRunning(bool running) {
    if (running == m_compositorIsRunning) {
        return;
    }
    m_compositorIsRunning = running;
    relayout();
}

QRegion FolderPopupView::opaqueMask() const {
    return QRegion(m_outline.toFillPolygon().toPolygon(), Qt::WindingFill);
}

QRegion FolderPopupView::blurRegion() const {
    return m_material.translucent ? opaqueMask() : QRegion();
}

bool FolderPopupView::isPresentationSettledForTesting() const {
    return !m_presentation || m_presentation->state() != QAbstractAnimation::Running;
}

bool FolderPopupView::showsPinButton() const {
    return m_settings.popupShowTitle() && m_settings.popupPosition() == PopupPosition::center;
}

void FolderPopupView::relayout() {
    const AppThemeMode appearance = m_settings.appTheme();
    m_colors = popupColors(appearance);
    m_material = popupMaterial(m_settings.popupBlurStyle(), m_settings.popupOpacity(), appearance,
                               m_compositorIsRunning);

    const double iconSize = m_settings.popupIconSize();
    const bool showsTitle = m_settings.popupShowTitle();
    const bool showsNames = m_settings.popupShowAppName();
    const bool showsPin = showsPinButton();
    m_titleFont = popupFont(kPopupTitleFontSize, QFont::Bold);
    const QFont nameFont = popupFont(kPopupAppNameFontSize, QFont::Medium);
    const double titleLineHeight = QFontMetricsF(m_titleFont).height();
    const double nameLineHeight = QFontMetricsF(nameFont).height();

    // The application first in view stays in view when the columns or the rows that fit change.
    const qsizetype firstShown = m_firstRow * m_layout.columns;
    m_layout = popupLayout(layoutInput(showsNames ? std::optional<double>(nameLineHeight) : std::nullopt,
                                       showsTitle ? std::optional<double>(titleLineHeight) : std::nullopt));
    m_firstRow = std::clamp<qsizetype>(firstShown / m_layout.columns, 0, m_layout.maximumFirstRow());
    m_header =
        showsTitle ? popupHeaderLayout(m_layout.headerRect, titleLineHeight, showsPin) : PopupHeaderLayout{};
    m_elidedTitle =
        showsTitle ? QFontMetricsF(m_titleFont)
                         .elidedText(displayedName(m_folder.name), Qt::ElideRight, m_header.titleRect.width())
                   : QString();

    // A cell's widget reaches a little beyond its slot, into the gaps, so neither the grown icon of a hovered
    // cell nor the focus ring round an icon is clipped; no further than half the narrowest gap (8 points), so
    // cells never overlap.
    const int growth = std::max(static_cast<int>(std::ceil(iconSize * (kPopupHoveredIconScale - 1) / 2)),
                                static_cast<int>(kPopupFocusRingReach));
    m_cellStyle.iconSize = iconSize;
    m_cellStyle.nameLineHeight = showsNames ? std::optional<double>(nameLineHeight) : std::nullopt;
    m_cellStyle.nameFont = nameFont;
    m_cellStyle.nameColor = m_colors.appName;
    m_cellStyle.focusRing = m_colors.focusRing;
    m_cellStyle.growth = growth;
    placeCells();
    updateScrollBar();
    placeHeaderButtons(showsTitle, showsPin);

    updateOutline();
    updateGeometry();
    resize(sizeHint());
}

PopupLayoutInput FolderPopupView::layoutInput(std::optional<double> nameLineHeight,
                                              std::optional<double> titleLineHeight) const {
    PopupLayoutInput input;
    input.appCount = m_folder.apps.size();
    input.maximumColumns = m_settings.popupColumns();
    input.iconSize = m_settings.popupIconSize();
    if (nameLineHeight) {
        input.nameLineHeight = *nameLineHeight;
    }
    if (titleLineHeight) {
        input.headerHeight = popupHeaderHeight(*titleLineHeight, showsPinButton());
    }
    input.position = m_settings.popupPosition();
    input.dockEdge = m_dockEdge;
    input.maximumHeight = m_maximumHeight;
    return input;
}

void FolderPopupView::placeHeaderButtons(bool showsTitle, bool showsPin) {
    m_closeButton->setVisible(showsTitle);
    m_closeButton->setGeometry(m_header.closeRect.toRect());
    static_cast<PopupCloseButton*>(m_closeButton)->setColors(m_colors.closeGlyph, m_colors.closeCircle);
    m_pinButton->setVisible(showsPin);
    m_pinButton->setGeometry(m_header.pinRect.toRect());
    m_pinButton->setChecked(m_isPinned);
    static_cast<PopupPinButton*>(m_pinButton)->setTint(m_colors.pinGlyph);
}

void FolderPopupView::placeCells() {
    const qsizetype count = m_cells.size();
    const qsizetype columns = m_layout.columns;
    const qsizetype firstShown = std::min(m_firstRow * columns, count);
    const qsizetype endShown = std::min((m_firstRow + m_layout.shownRowCount) * columns, count);
    // One row on either side is made ahead, so a scroll by a row shows icons at once.
    const qsizetype firstMade = std::max<qsizetype>(firstShown - columns, 0);
    const qsizetype endMade = std::min(endShown + columns, count);
    for (qsizetype i = 0; i < count; ++i) {
        PopupAppIconView*& cell = m_cells[i];
        if (cell && (i < firstMade || i >= endMade)) {
            // A focused cell scrolled away gives the focus up; hidden with it, it would pass it on to the
            // next cell, which would scroll the grid back.
            if (cell->hasFocus()) {
                cell->clearFocus();
            }
            // Later, not now: the cell may be the one whose event (a wheel turn, a key) scrolled the grid.
            cell->removeEventFilter(this);
            cell->hide();
            cell->deleteLater();
            cell = nullptr;
        }
    }
    const QPointF scrolled(0, -static_cast<double>(m_firstRow) * m_layout.rowPitch());
    const CellStyle& style = m_cellStyle;
    const QFontMetricsF nameMetrics(style.nameFont);
    for (qsizetype i = firstMade; i < endMade; ++i) {
        PopupAppIconView*& cell = m_cells[i];
        if (!cell) {
            cell = new PopupAppIconView(
                m_folder.apps[i], m_icons, m_workspace, m_queue, m_console, [this] { onLaunch(); }, this);
            cell->installEventFilter(this);
        }
        const QRectF slot = m_layout.cellRect(i).translated(scrolled);
        const QRect geometry =
            slot.toRect().adjusted(-style.growth, -style.growth, style.growth, style.growth);
        const QPointF toCell = scrolled - QPointF(geometry.topLeft());
        const QRectF nameRect =
            style.nameLineHeight
                ? m_layout.nameRect(i, style.iconSize, *style.nameLineHeight).translated(toCell)
                : QRectF();
        cell->setGeometry(geometry);
        cell->setContent(m_layout.iconRect(i, style.iconSize).translated(toCell), nameRect,
                         style.nameLineHeight ? nameMetrics.elidedText(displayedName(cell->app().name),
                                                                       Qt::ElideRight, nameRect.width())
                                              : QString(),
                         style.nameFont, style.nameColor, style.focusRing);
        const bool shown = i >= firstShown && i < endShown;
        if (!shown && cell->hasFocus()) {
            cell->clearFocus();
        }
        cell->setVisible(shown);
    }
    // Above the cells made since, whose widgets may reach into the inset.
    if (m_scrollBar) {
        m_scrollBar->raise();
    }
}

void FolderPopupView::updateScrollBar() {
    if (!m_layout.scrolls()) {
        if (m_scrollBar) {
            m_scrollBar->hide();
        }
        return;
    }
    // Made the first time it is needed: most folders fit, and their popups open faster without it.
    if (!m_scrollBar) {
        m_scrollBar = new QScrollBar(Qt::Vertical, this);
        m_scrollBar->setFocusPolicy(Qt::NoFocus);
        m_scrollBar->setSingleStep(1);
        connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int row) { scrollToRow(row); });
    }
    m_scrollBar->show();
    m_scrollBar->raise();
    const QSignalBlocker quiet(m_scrollBar);
    m_scrollBar->setGeometry(m_layout.scrollBarRect.toRect());
    m_scrollBar->setRange(0, static_cast<int>(m_layout.maximumFirstRow()));
    m_scrollBar->setPageStep(static_cast<int>(m_layout.shownRowCount));
    m_scrollBar->setValue(static_cast<int>(m_firstRow));
    const int radius = static_cast<int>(kPopupScrollBarWidth / 2);
    // Only the knob is drawn: a slim rounded bar in the appearance's tint, without arrows or a track.
    m_scrollBar->setStyleSheet(
        QStringLiteral(
            "QScrollBar:vertical { background: transparent; width: %1px; margin: 0; border: none; }"
            "QScrollBar::handle:vertical { background: %2; border-radius: %3px; min-height: 24px; }"
            "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; }"
            "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
            .arg(static_cast<int>(kPopupScrollBarWidth))
            .arg(m_colors.scrollKnob.name(QColor::HexArgb))
            .arg(radius));
}

void FolderPopupView::scrollToRow(qsizetype row) {
    const qsizetype first = std::clamp<qsizetype>(row, 0, m_layout.maximumFirstRow());
    if (first == m_firstRow) {
        return;
    }
    m_firstRow = first;
    if (m_scrollBar) {
        const QSignalBlocker quiet(m_scrollBar);
        m_scrollBar->setValue(static_cast<int>(m_firstRow));
    }
    placeCells();
}

void FolderPopupView::scrollToCell(qsizetype index) {
    if (index < 0 || index >= m_cells.size()) {
        return;
    }
    const qsizetype row = index / m_layout.columns;
    if (row < m_firstRow) {
        scrollToRow(row);
    } else if (row >= m_firstRow + m_layout.shownRowCount) {
        scrollToRow(row - m_layout.shownRowCount + 1);
    }
}

void FolderPopupView::focusCell(qsizetype index) {
    scrollToCell(index);
    if (index >= 0 && index < m_cells.size() && m_cells[index]) {
        m_cells[index]->setFocus(Qt::TabFocusReason);
    }
}

void FolderPopupView::wheelEvent(QWheelEvent* event) {
    if (!m_layout.scrolls()) {
        event->ignore();
        return;
    }
    event->accept();
    // A notch of a wheel (120 units) scrolls a row; a touchpad's small steps add up to one.
    constexpr int kAnglePerRow = 120;
    m_wheelAngle += event->angleDelta().y();
    const int rows = m_wheelAngle / kAnglePerRow;
    if (rows == 0) {
        return;
    }
    m_wheelAngle -= rows * kAnglePerRow;
    const qsizetype before = m_firstRow;
    scrollToRow(m_firstRow - rows);
    if (m_firstRow == before) {
        // At an end of the grid, turns further on do not store up.
        m_wheelAngle = 0;
    }
}

bool FolderPopupView::eventFilter(QObject* watched, QEvent* event) {
    // Every event of every cell passes here: only these two are of interest.
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* cell = qobject_cast<PopupAppIconView*>(watched);
    const qsizetype index = cell ? m_cells.indexOf(cell) : -1;
    if (index < 0) {
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusIn) {
        scrollToCell(index);
        return false;
    }
    const auto* key = static_cast<const QKeyEvent*>(event);
    const qsizetype columns = m_layout.columns;
    const qsizetype last = m_cells.size() - 1;
    switch (key->key()) {
    case Qt::Key_Left:
        focusCell(std::max<qsizetype>(index - 1, 0));
        return true;
    case Qt::Key_Right:
        focusCell(std::min(index + 1, last));
        return true;
    case Qt::Key_Up:
        focusCell(index - columns >= 0 ? index - columns : index);
        return true;
    case Qt::Key_Down:
        focusCell(index + columns <= last ? index + columns : index);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_cells[index]->click();
        return true;
    default:
        return false;
    }
}

bool FolderPopupView::focusNextPrevChild(bool next) {
    // Tab runs through every application, made or not yet; past the first or the last it leaves the grid.
    auto* focused = qobject_cast<PopupAppIconView*>(focusWidget());
    const qsizetype index = focused ? m_cells.indexOf(focused) : -1;
    const qsizetype target = index + (next ? 1 : -1);
    if (index >= 0 && target >= 0 && target < m_cells.size()) {
        focusCell(target);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void FolderPopupView::updateOutline() {
    m_hasArrow = m_settings.popupPosition() == PopupPosition::aboveDock;
    if (m_hasArrow) {
        m_outline = m_shape.path(m_layout.plateRect);
    } else {
        m_outline = QPainterPath();
        m_outline.addRoundedRect(m_layout.plateRect, kPopupCornerRadius, kPopupCornerRadius);
    }
    // Without a compositor the margin is cut away, shadows and all.
    m_shadows = m_material.translucent
                    ? popupShadowImage(m_outline, sizeHint(), m_colors.shadows, devicePixelRatioF())
                    : QImage();
    update();
    emit windowShapeChanged();
}

void FolderPopupView::setArrowOffset(double offset) {
    m_shape = folderPopupShape(m_dockEdge, offset);
    updateOutline();
}

void FolderPopupView::moveArrowTo(double offset) {
    m_arrowAnimation->stop();
    // The panel publishes where the arrow of an opening popup goes just after showing it, before it is first
    // drawn: sliding it from where the last popup had it would draw the arrow moving across the new one.
    if (!m_hasBeenDrawn) {
        setArrowOffset(offset);
        return;
    }
    m_arrowSlideFrom = m_shape;
    m_arrowSlideTo = folderPopupShape(m_dockEdge, offset);
    m_arrowAnimation->start();
}

void FolderPopupView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_shadows.isNull()) {
        painter.drawImage(QPointF(0, 0), m_shadows);
    }
    if (!m_material.translucent) {
        // The window's mask follows the outline's polygon, pixel by pixel: a plate two pixels wider than the
        // outline leaves no edge pixel half transparent, which would show black without a compositor.
        painter.setPen(QPen(m_material.fill, 4));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(m_outline);
    }
    painter.fillPath(m_outline, m_material.fill);

    if (!m_header.titleRect.isEmpty() || !m_header.closeRect.isEmpty()) {
        painter.setFont(m_titleFont);
        painter.setPen(m_colors.title);
        painter.drawText(m_header.titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         m_elidedTitle);
        painter.fillRect(m_header.dividerRect, m_colors.divider);
    }
    painter.setPen(QPen(m_colors.border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(m_outline);
    m_hasBeenDrawn = true;
}

void FolderPopupView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!qFuzzyCompare(m_shadows.devicePixelRatio(), devicePixelRatioF()) && m_material.translucent) {
        updateOutline();
    }
    if (!m_isPresented) {
        present();
    }
}

void FolderPopupView::present() {
    m_isPresented = true;
    const PopupAnimation style = m_settings.popupAnimationStyle();
    // Without a compositor a fade would be blended with black: the popup is shown at once.
    if (style == PopupAnimation::none || !m_compositorIsRunning) {
        return;
    }
    auto* effect = new PresentationEffect(this);
    const double from = popupPresentationScale(false, style);
    const double to = popupPresentationScale(true, style);
    effect->setState(from, 0);
    setGraphicsEffect(effect);
    m_presentation = new QVariantAnimation(this);
    m_presentation->setDuration(static_cast<int>(kPopupSpringDuration * 1000));
    m_presentation->setStartValue(0.0);
    m_presentation->setEndValue(1.0);
    m_presentation->setEasingCurve(popupSpringEasing());
    connect(m_presentation, &QVariantAnimation::valueChanged, effect,
            [effect, from, to](const QVariant& value) {
                const double progress = value.toDouble();
                effect->setState(from + (to - from) * progress, progress);
            });
    connect(m_presentation, &QVariantAnimation::finished, this, [this] {
        // Settled: draw directly again, so hovering and redraws do not go through the effect's pixmap.
        setGraphicsEffect(nullptr);
    });
    m_presentation->start();
}

void FolderPopupView::togglePin() {
    m_isPinned = !m_isPinned;
    m_pinButton->setChecked(m_isPinned);
    if (m_onTogglePin) {
        m_onTogglePin(m_isPinned);
    }
}

void FolderPopupView::onLaunch() {
    if (!m_isPinned && m_onDismiss) {
        m_onDismiss();
    }
}

} // namespace tessly
