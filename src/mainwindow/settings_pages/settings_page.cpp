#include "mainwindow/settings_pages/settings_page.h"

#include "mainwindow/controls/native_slider.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/settings_pages/settings_values.h"
#include "settings/localization.h"

#include <QEvent>
#include <QVBoxLayout>

namespace tessly {

SettingsPage::SettingsPage(AppSettings& settings, const Localization& l10n, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_l10n(l10n) {
    setAutoFillBackground(true);
    setBackgroundRole(kWindowBackgroundRole);
    // The page itself can hold the focus, so that a window opening on it does not put its first control in
    // focus (and a focus ring on it) before the user presses Tab.
    setFocusPolicy(Qt::ClickFocus);
}

SettingsPage::~SettingsPage() = default;

void SettingsPage::finishSetup() {
    applyTheme();
    retranslate();
    refreshValues();
    connect(&m_settings, &AppSettings::changed, this, [this](AppSettings::Field field) {
        if (field == AppSettings::Field::language) {
            retranslate();
        }
        if (field == AppSettings::Field::appTheme) {
            applyTheme();
        }
        if (showsSetting(field)) {
            refreshValues();
        }
    });
}

QString SettingsPage::title() const {
    return text(titleKey());
}

QString SettingsPage::text(const QString& key) const {
    return m_l10n.localizedString(key);
}

SettingsPageBody* SettingsPage::makePageBody() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* body = new SettingsPageBody;
    outer->addWidget(body);
    return body;
}

SettingsRow* SettingsPage::makeSliderRow(const SliderRange& range, std::function<void(double)> onChange) {
    auto* slider = new NativeSlider(range);
    auto* row = new SettingsRow(slider);
    connect(slider, &NativeSlider::valueChangedByUser, row,
            [this, row, onChange = std::move(onChange)](double v) {
                // The label follows the thumb at once, also when the setting stores what it already had.
                row->setValueText(
                    sliderValueLabel(m_l10n, static_cast<NativeSlider*>(row->control())->range(), v));
                onChange(v);
            });
    return row;
}

void SettingsPage::showSliderValue(SettingsRow* row, double value) const {
    auto* slider = static_cast<NativeSlider*>(row->control());
    slider->setValue(value);
    row->setValueText(sliderValueLabel(m_l10n, slider->range(), value));
}

int SettingsPage::preferredHeight(int width) const {
    const QLayout* content = layout();
    if (!content) {
        return 0;
    }
    return content->hasHeightForWidth() ? content->totalHeightForWidth(width)
                                        : content->totalSizeHint().height();
}

QSize SettingsPage::sizeHint() const {
    return QSize(settings_metrics::kPageWidth, preferredHeight(settings_metrics::kPageWidth));
}

bool SettingsPage::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest) {
        const int height = preferredHeight(isVisible() ? width() : settings_metrics::kPageWidth);
        if (height != m_lastReportedHeight) {
            m_lastReportedHeight = height;
            emit preferredHeightChanged(height);
        }
    }
    return handled;
}

void SettingsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!window()->focusWidget()) {
        setFocus(Qt::OtherFocusReason);
    }
}

void SettingsPage::applyTheme() {
    setPalette(settingsQPalette(settingsColors(m_settings.appTheme())));
}

} // namespace tessly
