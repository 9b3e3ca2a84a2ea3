#include "mainwindow/settings_pages/tile_preview_view.h"

#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/settings_pages/tile_style_editing.h"
#include "model/display_text.h"
#include "platform/gui/symbol_images.h"
#include "settings/app_settings.h"
#include "tile/tile_image.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {
constexpr int kHeight = 200;
constexpr int kBackdropMargin = 12;
constexpr int kNameGap = 8;
constexpr double kDotSize = 6;
constexpr double kEmptySymbolSize = 40;
// A drag follows the pointer only part of the way, so the tile seems to resist being pulled off.
constexpr double kDragFollow = 0.6;
} // namespace

TilePreviewView::TilePreviewView(const AppSettings& settings, const SymbolImages& symbols,
                                 const WorkspaceIcons& icons, QWidget* parent)
    : QWidget(parent), m_settings(&settings), m_symbols(symbols), m_icons(icons),
      m_previous(new ActionButton(ActionButtonStyle::secondaryIcon, QString(), &symbols,
                                  QStringLiteral("chevron.left"), this)),
      m_next(new ActionButton(ActionButtonStyle::secondaryIcon, QString(), &symbols,
                              QStringLiteral("chevron.right"), this)) {
    useTabFocus(*this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_previous, &QPushButton::clicked, this, [this] { emit stepRequested(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { emit stepRequested(1); });
    showNoFolder();
}

TilePreviewView::~TilePreviewView() = default;

void TilePreviewView::showFolder(const AppFolder& folder, int index, int count) {
    m_folder = folder;
    m_index = index;
    m_count = count;
    QPointer<const AppSettings> settings = m_settings;
    m_tile = makeFolderTileImage(folder, m_symbols, m_icons, [settings]() -> TileDrawSettings {
        return settings ? TileDrawSettings{settings->tileIconPadding(), settings->appTheme()}
                        : TileDrawSettings{};
    });
    m_previous->setVisible(count > 1);
    m_next->setVisible(count > 1);
    m_previous->setEnabled(index > 0);
    m_next->setEnabled(index + 1 < count);
    setAccessibleDescription(displayedName(folder.name));
    update();
}

void TilePreviewView::showNoFolder() {
    m_folder.reset();
    m_tile.reset();
    m_index = 0;
    m_count = 0;
    m_previous->hide();
    m_next->hide();
    setAccessibleDescription(m_emptyText);
    update();
}

void TilePreviewView::setTexts(const QString& emptyText, const QString& previous, const QString& next) {
    m_emptyText = emptyText;
    m_previous->setAccessibleName(previous);
    m_previous->setToolTip(previous);
    m_next->setAccessibleName(next);
    m_next->setToolTip(next);
    if (!m_folder) {
        setAccessibleDescription(m_emptyText);
    }
    update();
}

std::optional<QUuid> TilePreviewView::shownFolderForTesting() const {
    return m_folder ? std::optional<QUuid>(m_folder->id) : std::nullopt;
}

QSize TilePreviewView::sizeHint() const {
    return QSize(360, kHeight);
}

QRectF TilePreviewView::backdropRect() const {
    return QRectF(rect()).adjusted(kBackdropMargin, kBackdropMargin, -kBackdropMargin, -kBackdropMargin);
}

QRectF TilePreviewView::tileRect() const {
    const QRectF backdrop = backdropRect();
    const double nameHeight = QFontMetricsF(settingsFont(SettingsFont::body)).height();
    const double top = backdrop.top() + (backdrop.height() - kTileSide - kNameGap - nameHeight - 14) / 2.0;
    return QRectF(backdrop.center().x() - kTileSide / 2.0 + m_dragOffset, top, kTileSide, kTileSide);
}

void TilePreviewView::resizeEvent(QResizeEvent*) {
    const QRectF backdrop = backdropRect();
    const QSize button = m_previous->sizeHint();
    const int y = static_cast<int>(tileRect().center().y() - button.height() / 2.0);
    m_previous->move(static_cast<int>(backdrop.left()) + 8, y);
    m_next->move(static_cast<int>(backdrop.right()) - 8 - button.width(), y);
}

void TilePreviewView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPalette& p = palette();
    const QRectF backdrop = backdropRect();
    const bool dark = m_settings && m_settings->appTheme() == AppThemeMode::dark;
    // A patch of desktop behind the tile, so its opacity, glass and border read as they will in the Dock.
    QLinearGradient desktop(backdrop.topLeft(), backdrop.bottomRight());
    desktop.setColorAt(0, dark ? QColor(0x2B, 0x3A, 0x5C) : QColor(0x8F, 0xB3, 0xE0));
    desktop.setColorAt(1, dark ? QColor(0x4A, 0x2F, 0x4F) : QColor(0xE0, 0xA8, 0x9A));
    QPainterPath backdropShape;
    backdropShape.addRoundedRect(backdrop, 8, 8);
    painter.fillPath(backdropShape, desktop);

    if (!m_tile) {
        const QRectF symbolRect(backdrop.center().x() - kEmptySymbolSize / 2.0,
                                backdrop.center().y() - kEmptySymbolSize, kEmptySymbolSize, kEmptySymbolSize);
        if (const ImagePtr symbol = m_symbols.symbol(QStringLiteral("square.grid.2x2"), kEmptySymbolSize,
                                                     SymbolWeight::regular)) {
            symbol->drawTinted(painter, symbolRect, QColor(255, 255, 255, 220));
        }
        painter.setFont(settingsFont(SettingsFont::body));
        painter.setPen(QColor(255, 255, 255, 235));
        const QRectF textRect(backdrop.left() + 16, symbolRect.bottom() + 10, backdrop.width() - 32, 40);
        painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_emptyText);
    } else {
        const QRectF tile = tileRect();
        painter.save();
        painter.setClipPath(backdropShape);
        m_tile->draw(painter, tile);
        painter.restore();

        QFont nameFont = settingsFont(SettingsFont::body);
        nameFont.setWeight(QFont::DemiBold);
        painter.setFont(nameFont);
        painter.setPen(Qt::white);
        const QFontMetricsF metrics(nameFont);
        const QRectF nameRect(backdrop.left() + 60, tile.bottom() + kNameGap, backdrop.width() - 120,
                              metrics.height());
        painter.drawText(nameRect, Qt::AlignCenter,
                         metrics.elidedText(m_folder->name, Qt::ElideRight, nameRect.width()));

        if (m_count > 1) {
            const double spacing = kDotSize + 6;
            const double totalWidth = spacing * (m_count - 1);
            const double y = nameRect.bottom() + 10;
            painter.setPen(Qt::NoPen);
            for (int i = 0; i < m_count; ++i) {
                painter.setBrush(i == m_index ? QColor(255, 255, 255, 235) : QColor(255, 255, 255, 100));
                painter.drawEllipse(QPointF(backdrop.center().x() - totalWidth / 2.0 + i * spacing, y),
                                    kDotSize / 2.0, kDotSize / 2.0);
            }
        }
    }
    if (hasFocus()) {
        paintFocusRing(painter, backdrop, 8, p.color(QPalette::Active, kAccentRole));
    }
}

void TilePreviewView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_count > 1) {
        m_pressX = event->position().x();
    }
}

void TilePreviewView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressX) {
        return;
    }
    m_dragOffset = (event->position().x() - *m_pressX) * kDragFollow;
    update();
}

void TilePreviewView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pressX || event->button() != Qt::LeftButton) {
        return;
    }
    const double distance = event->position().x() - *m_pressX;
    m_pressX.reset();
    m_dragOffset = 0;
    update();
    if (const int step = previewStepForDrag(distance)) {
        emit stepRequested(step);
    }
}

void TilePreviewView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        emit stepRequested(-1);
        return;
    case Qt::Key_Right:
        emit stepRequested(1);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace tessly
