#include "mainwindow/editor/app_picker_view.h"

#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/controls/text_field.h"
#include "mainwindow/folders/app_icon_cache.h"
#include "model/display_text.h"
#include "platform/guarded.h"
#include "platform/gui/symbol_images.h"
#include "settings/localization.h"

#include <QDir>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextLayout>
#include <QVBoxLayout>

namespace tessly {

namespace {

constexpr int kSheetWidth = 520;
constexpr int kSheetHeight = 500;
constexpr int kCellRadius = 10;
constexpr int kIconTop = 10;
constexpr int kNameTop = kIconTop + AppPickerCell::kIconSide + 6;
constexpr int kNamePadding = 6;
constexpr int kBadgeSize = 18;
constexpr int kGridInset = 6;
constexpr int kSearchSpacing = 10;
constexpr int kPlaceholderRadius = 10;

/// The rounded ground the grid lies on, as a settings section's rows do.
class GridGround final : public QWidget {
public:
    explicit GridGround(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(kSectionBorderRole), 1));
        painter.setBrush(palette().color(kSectionBackgroundRole));
        const double radius = settings_metrics::kSectionCornerRadius;
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
};

/// Lays `name` out in `rect` on at most two centred lines, the second elided when the name is longer.
void drawName(QPainter& painter, const QRectF& rect, const QString& name, const QFont& font) {
    const QFontMetricsF metrics(font);
    QTextLayout layout(name, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (!first.isValid()) {
        layout.endLayout();
        return;
    }
    first.setLineWidth(rect.width());
    QTextLine second = layout.createLine();
    if (second.isValid()) {
        second.setLineWidth(rect.width());
    }
    layout.endLayout();
    const double lineHeight = metrics.height();
    const QString firstText = name.mid(first.textStart(), first.textLength()).trimmed();
    painter.drawText(QRectF(rect.left(), rect.top(), rect.width(), lineHeight),
                     Qt::AlignHCenter | Qt::AlignTop, firstText);
    if (second.isValid()) {
        const QString rest = name.mid(second.textStart()).trimmed();
        painter.drawText(QRectF(rect.left(), rect.top() + lineHeight, rect.width(), lineHeight),
                         Qt::AlignHCenter | Qt::AlignTop,
                         metrics.elidedText(rest, Qt::ElideRight, rect.width()));
    }
}

QString iconPathOf(const AppItem& application) {
    return QDir::cleanPath(application.appURL.toLocalFile());
}

} // namespace

AppPickerListModel::AppPickerListModel(const AppPickerSelection& selection, const Localization& l10n,
                                       QObject* parent)
    : QAbstractListModel(parent), m_selection(selection), m_l10n(l10n) {}

int AppPickerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_selection.shownRows().size());
}

const AppItem* AppPickerListModel::application(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= m_selection.shownRows().size()) {
        return nullptr;
    }
    return &m_selection.applications().at(m_selection.shownRows().at(index.row()));
}

QVariant AppPickerListModel::data(const QModelIndex& index, int role) const {
    const AppItem* app = application(index);
    if (!app) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return displayedName(app->name);
    case Qt::AccessibleDescriptionRole:
        if (m_selection.isAlreadyAdded(*app)) {
            return m_l10n.localizedString(QStringLiteral("app_picker.already_added"));
        }
        return m_selection.isSelected(*app) ? m_l10n.localizedString(QStringLiteral("app_picker.selected"))
                                            : QString();
    case Qt::CheckStateRole:
        return m_selection.isSelected(*app) || m_selection.isAlreadyAdded(*app) ? Qt::Checked : Qt::Unchecked;
    case IdRole:
        return app->id;
    case PathRole:
        return iconPathOf(*app);
    case SelectedRole:
        return m_selection.isSelected(*app);
    case AlreadyAddedRole:
        return m_selection.isAlreadyAdded(*app);
    default:
        return {};
    }
}

Qt::ItemFlags AppPickerListModel::flags(const QModelIndex& index) const {
    const AppItem* app = application(index);
    if (!app) {
        return Qt::NoItemFlags;
    }
    // One already in the folder is seen, but greyed and not to be chosen.
    return m_selection.isAlreadyAdded(*app)
               ? Qt::ItemNeverHasChildren
               : Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

void AppPickerListModel::reset() {
    beginResetModel();
    endResetModel();
}

void AppPickerListModel::rowChanged(int row) {
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
}

AppPickerCell::AppPickerCell(AppIconCache& icons, const SymbolImages& symbols, QObject* parent)
    : QAbstractItemDelegate(parent), m_icons(icons), m_symbols(symbols) {}

QSize AppPickerCell::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return QSize(kWidth, kHeight);
}

void AppPickerCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPalette& p = option.palette;
    const bool selected = index.data(AppPickerListModel::SelectedRole).toBool();
    const bool alreadyAdded = index.data(AppPickerListModel::AlreadyAddedRole).toBool();
    const bool hovered = (option.state & QStyle::State_MouseOver) && !alreadyAdded;
    const QRectF cell = QRectF(option.rect).adjusted(3, 3, -3, -3);
    const QColor accent = p.color(QPalette::Active, kAccentRole);

    if (selected || hovered) {
        QColor ground = selected ? accent : p.color(QPalette::Active, kPrimaryTextRole);
        ground.setAlphaF(selected ? 0.16F : 0.06F);
        painter->setPen(Qt::NoPen);
        painter->setBrush(ground);
        painter->drawRoundedRect(cell, kCellRadius, kCellRadius);
    }
    if (alreadyAdded) {
        painter->setOpacity(0.45);
    }

    const QRectF iconRect(cell.center().x() - kIconSide / 2.0, option.rect.top() + kIconTop, kIconSide,
                          kIconSide);
    const QImage icon = m_icons.icon(index.data(AppPickerListModel::PathRole).toString());
    if (icon.isNull()) {
        // Until the icon is read: a quiet tile where it will be.
        QColor placeholder = p.color(kControlFillRole);
        placeholder.setAlphaF(0.6F);
        painter->setPen(Qt::NoPen);
        painter->setBrush(placeholder);
        painter->drawRoundedRect(iconRect.adjusted(3, 3, -3, -3), kPlaceholderRadius, kPlaceholderRadius);
    } else {
        painter->drawImage(iconRect, icon);
    }

    QFont font = settingsFont(SettingsFont::caption);
    painter->setFont(font);
    painter->setPen(p.color(QPalette::Active, kPrimaryTextRole));
    drawName(*painter,
             QRectF(cell.left() + kNamePadding, option.rect.top() + kNameTop, cell.width() - 2 * kNamePadding,
                    cell.bottom() - option.rect.top() - kNameTop),
             index.data(Qt::DisplayRole).toString(), font);

    if (selected || alreadyAdded) {
        // The mark sits on the icon's top right corner, on a disc of the cell's ground so that it reads over
        // any icon.
        const QRectF badge(iconRect.right() - kBadgeSize + 5, iconRect.top() - 4, kBadgeSize, kBadgeSize);
        painter->setPen(Qt::NoPen);
        painter->setBrush(p.color(kSectionBackgroundRole));
        painter->drawEllipse(badge.adjusted(-1.5, -1.5, 1.5, 1.5));
        if (const ImagePtr mark = m_symbols.symbol(QStringLiteral("checkmark.circle.fill"), kBadgeSize,
                                                   SymbolWeight::regular)) {
            mark->drawTinted(*painter, badge,
                             selected ? accent : p.color(QPalette::Active, kSecondaryTextRole));
        }
    }
    painter->setOpacity(1.0);
    if (m_showsFocus && (option.state & QStyle::State_HasFocus)) {
        paintFocusRing(*painter, cell, kCellRadius, accent);
    }
    painter->restore();
}

AppPickerView::AppPickerView(Parts parts, QSet<QString> alreadySelectedBundleIDs,
                             std::function<void(const QList<AppItem>&)> onConfirm,
                             std::function<void()> onClose, QWidget* parent)
    : SheetContent(parts.settings, parts.l10n, parent), m_parts(std::move(parts)),
      m_selection(std::move(alreadySelectedBundleIDs)), m_onConfirm(std::move(onConfirm)),
      m_onClose(std::move(onClose)),
      m_iconCache(new AppIconCache(m_parts.icons, m_parts.queue, AppPickerCell::kIconSide,
                                   qApp ? qGuiApp->devicePixelRatio() : 1.0, this)),
      m_model(new AppPickerListModel(m_selection, m_parts.l10n, this)),
      m_cell(new AppPickerCell(*m_iconCache, m_parts.symbols, this)),
      m_search(new TextField(&m_parts.symbols, QStringLiteral("magnifyingglass"))), m_grid(new QListView),
      m_emptyNote(makeSettingsLabel(SettingsTextStyle::secondary)),
      m_cancel(new ActionButton(ActionButtonStyle::secondary, QString())),
      m_confirm(new ActionButton(ActionButtonStyle::primary, QString())) {
    QVBoxLayout* body = bodyLayout();
    body->addWidget(m_search);
    body->addSpacing(kSearchSpacing - settings_metrics::kFocusRingWidth - 1);

    auto* ground = new GridGround;
    auto* groundLayout = new QVBoxLayout(ground);
    groundLayout->setContentsMargins(kGridInset, kGridInset, kGridInset, kGridInset);
    groundLayout->addWidget(m_grid);
    groundLayout->addWidget(m_emptyNote);
    m_emptyNote->setAlignment(Qt::AlignCenter);
    m_emptyNote->setWordWrap(true);
    m_emptyNote->hide();
    body->addWidget(ground, 1);

    configureGrid();

    buttonRow()->addWidget(m_cancel);
    buttonRow()->addWidget(m_confirm);
    m_confirm->setDefault(true);
    setFocusProxy(m_search);
    setTabOrder(m_search->lineEdit(), m_grid);
    setTabOrder(m_grid, m_cancel);
    setTabOrder(m_cancel, m_confirm);

    connect(m_search->lineEdit(), &QLineEdit::textChanged, this, &AppPickerView::searchChanged);
    m_search->lineEdit()->installEventFilter(this);
    connect(m_grid, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { toggleRow(index.row()); });
    connect(m_iconCache, &AppIconCache::iconsLoaded, m_grid->viewport(), qOverload<>(&QWidget::update));
    connect(m_cancel, &QAbstractButton::clicked, this, &AppPickerView::cancel);
    connect(m_confirm, &QAbstractButton::clicked, this, &AppPickerView::confirm);
    finishSetup();
    refreshConfirm();

    // Once per opening: the list is what is installed now.
    if (m_parts.discoverApplications) {
        m_parts.discoverApplications(guarded(
            this, [this](QList<AppItem> applications) { showApplications(std::move(applications)); }));
    }
}

AppPickerView::~AppPickerView() = default;

void AppPickerView::configureGrid() {
    // A list view draws only the cells in view, all of one size, with one painter for every cell.
    m_grid->setViewMode(QListView::IconMode);
    m_grid->setFlow(QListView::LeftToRight);
    m_grid->setWrapping(true);
    m_grid->setResizeMode(QListView::Adjust);
    m_grid->setMovement(QListView::Static);
    m_grid->setUniformItemSizes(true);
    m_grid->setSpacing(0);
    m_grid->setGridSize(QSize(AppPickerCell::kWidth, AppPickerCell::kHeight));
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setFrameShape(QFrame::NoFrame);
    m_grid->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A slim scroll bar that reads in either theme, without the arrows of the platform's own.
    m_grid->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { width: 10px; background: transparent; margin: 2px 2px 2px 0; }"
        "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 0.55); border-radius: 3px; "
        "min-height: 28px;"
        " margin: 0 1px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));
    m_grid->setMouseTracking(true);
    m_grid->viewport()->setAttribute(Qt::WA_Hover);
    m_grid->viewport()->setCursor(Qt::PointingHandCursor);
    m_grid->setModel(m_model);
    m_grid->setItemDelegate(m_cell);
    useTabFocus(*m_grid);
    m_grid->installEventFilter(this);
    m_grid->viewport()->installEventFilter(this);
}

QSize AppPickerView::sizeHint() const {
    return QSize(kSheetWidth, kSheetHeight);
}

QLineEdit* AppPickerView::searchField() const {
    return m_search->lineEdit();
}

void AppPickerView::retranslate() {
    setTitle(text(QStringLiteral("app_picker.title")));
    QLineEdit* field = m_search->lineEdit();
    field->setPlaceholderText(text(QStringLiteral("app_picker.search_placeholder")));
    field->setAccessibleName(field->placeholderText());
    m_grid->setAccessibleName(titleLabel()->text());
    m_emptyNote->setText(text(QStringLiteral("app_picker.no_results")));
    m_cancel->setText(text(QStringLiteral("folder.editor.btn.cancel")));
    m_cancel->setAccessibleName(m_cancel->text());
    m_cancel->updateGeometry();
    refreshConfirm();
    m_grid->viewport()->update();
}

void AppPickerView::showApplications(QList<AppItem> applications) {
    m_selection.setApplications(std::move(applications));
    m_loaded = true;
    m_model->reset();
    refreshEmptyNote();
    refreshConfirm();
}

void AppPickerView::searchChanged(const QString& text) {
    m_selection.setSearchText(text);
    m_model->reset();
    m_grid->scrollToTop();
    refreshEmptyNote();
}

void AppPickerView::toggleRow(int row) {
    if (row < 0 || row >= m_selection.shownRows().size()) {
        return;
    }
    const AppItem& application = m_selection.applications().at(m_selection.shownRows().at(row));
    if (!m_selection.toggle(application.id)) {
        return;
    }
    m_model->rowChanged(row);
    refreshConfirm();
}

void AppPickerView::refreshConfirm() {
    m_confirm->setText(appPickerConfirmTitle(l10n(), m_selection.selectedCount()));
    m_confirm->setAccessibleName(m_confirm->text());
    // Confirming nothing would only close the picker, which Cancel does.
    m_confirm->setEnabled(m_selection.selectedCount() > 0);
    m_confirm->updateGeometry();
}

void AppPickerView::refreshEmptyNote() {
    const bool empty = m_loaded && m_selection.shownRows().isEmpty();
    m_emptyNote->setVisible(empty);
    m_grid->setVisible(!empty);
}

void AppPickerView::spreadColumns() {
    // The columns share the whole width, so that the grid has no ragged gap at its right.
    // A few points to spare: the list wraps a row that would only just fit.
    const int width = m_grid->viewport()->width() - 4;
    const int columns = std::max(1, width / AppPickerCell::kWidth);
    const QSize grid(std::max(AppPickerCell::kWidth, width / columns), AppPickerCell::kHeight);
    if (grid != m_grid->gridSize()) {
        m_grid->setGridSize(grid);
    }
}

void AppPickerView::confirm() {
    if (m_selection.selectedCount() == 0) {
        return;
    }
    const QList<AppItem> chosen = m_selection.chosenApplications();
    // Copies: either call may end this view.
    const auto onConfirm = m_onConfirm;
    const auto onClose = m_onClose;
    if (onConfirm) {
        onConfirm(chosen);
    }
    if (onClose) {
        onClose();
    }
}

void AppPickerView::cancel() {
    if (const auto onClose = m_onClose) {
        onClose();
    }
}

bool AppPickerView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_grid->viewport() && event->type() == QEvent::Resize) {
        spreadColumns();
        return SheetContent::eventFilter(watched, event);
    }
    if (watched == m_grid && event->type() == QEvent::FocusIn) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
            m_cell->setShowsFocus(true);
            if (!m_grid->currentIndex().isValid() && m_model->rowCount() > 0) {
                m_grid->setCurrentIndex(m_model->index(0));
            }
        }
    }
    if (event->type() != QEvent::KeyPress) {
        return SheetContent::eventFilter(watched, event);
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == m_search->lineEdit() && key == Qt::Key_Down && m_model->rowCount() > 0) {
        // From the search straight into the results.
        m_cell->setShowsFocus(true);
        m_grid->setFocus(Qt::TabFocusReason);
        m_grid->setCurrentIndex(m_model->index(0));
        return true;
    }
    if (watched == m_grid) {
        m_cell->setShowsFocus(true);
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            toggleRow(m_grid->currentIndex().row());
            return true;
        }
    }
    return SheetContent::eventFilter(watched, event);
}

} // namespace tessly
