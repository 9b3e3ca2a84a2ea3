#include "mainwindow/frame/sheet_content.h"

#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/settings_style.h"
#include "settings/app_settings.h"
#include "settings/localization.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

namespace tessly {

namespace {
constexpr int kMarginHorizontal = 20;
constexpr int kMarginTop = 18;
constexpr int kMarginBottom = 14;
constexpr int kTitleSpacing = 14;
constexpr int kButtonsSpacing = 18;
/// Between the buttons; their focus-ring margins add to it.
constexpr int kButtonGap = 2;
constexpr int kTitleFontPixels = 17;
} // namespace

SheetContent::SheetContent(AppSettings& settings, const Localization& l10n, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_l10n(l10n),
      m_title(makeSettingsLabel(SettingsTextStyle::body)), m_body(new QVBoxLayout),
      m_buttons(new QHBoxLayout) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMarginHorizontal, kMarginTop, kMarginHorizontal, kMarginBottom);
    layout->setSpacing(0);
    QFont titleFont = settingsFont(SettingsFont::title);
    titleFont.setPixelSize(kTitleFontPixels);
    m_title->setFont(titleFont);
    // In line with the fields' edges, which sit inside the room their focus rings keep.
    m_title->setContentsMargins(settings_metrics::kFocusRingWidth + 1, 0, 0, 0);
    layout->addWidget(m_title);
    layout->addSpacing(kTitleSpacing);
    m_body->setContentsMargins(0, 0, 0, 0);
    m_body->setSpacing(0);
    layout->addLayout(m_body, 1);
    layout->addSpacing(kButtonsSpacing);
    m_buttons->setContentsMargins(0, 0, 0, 0);
    m_buttons->setSpacing(kButtonGap);
    m_buttons->addStretch(1);
    layout->addLayout(m_buttons);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] { cancel(); });
}

SheetContent::~SheetContent() = default;

void SheetContent::finishSetup() {
    applyTheme();
    retranslate();
    connect(&m_settings, &AppSettings::changed, this, [this](AppSettings::Field field) {
        if (field == AppSettings::Field::language) {
            retranslate();
        } else if (field == AppSettings::Field::appTheme) {
            applyTheme();
        }
    });
}

void SheetContent::setTitle(const QString& title) {
    m_title->setText(title);
    setAccessibleName(title);
}

QString SheetContent::text(const QString& key) const {
    return m_l10n.localizedString(key);
}

void SheetContent::applyTheme() {
    // Over the window the sheet has the window's palette already; set here too, so that a sheet shown on its
    // own (a preview, a test) is in the theme as well.
    setPalette(settingsQPalette(settingsColors(m_settings.appTheme())));
}

} // namespace tessly
