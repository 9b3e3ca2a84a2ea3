#include "mainwindow/settings_pages/popup_settings_view.h"

#include "mainwindow/controls/segmented_picker.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/toggle_switch.h"
#include "mainwindow/settings_pages/settings_values.h"
#include "settings/localization.h"

#include <algorithm>

namespace tessly {

namespace {

// The options of the position, animation and blur choices, in the order they are shown.
constexpr std::array kPositions{PopupPosition::center, PopupPosition::aboveDock};
constexpr std::array kAnimations{PopupAnimation::spring, PopupAnimation::none};
constexpr std::array kBlurs{PopupBlur::thin, PopupBlur::regular, PopupBlur::dark};

template <typename E, std::size_t N> int indexIn(const std::array<E, N>& options, E value) {
    const auto it = std::find(options.begin(), options.end(), value);
    return it == options.end() ? -1 : static_cast<int>(it - options.begin());
}

} // namespace

PopupSettingsView::PopupSettingsView(AppSettings& settings, const Localization& l10n, QWidget* parent)
    : SettingsPage(settings, l10n, parent), m_layoutSection(new SettingsSection),
      m_visualSection(new SettingsSection), m_showTitle(new ToggleSwitch), m_showNames(new ToggleSwitch),
      m_columns(new SegmentedPicker), m_position(new SegmentedPicker), m_animation(new SegmentedPicker),
      m_blur(new SegmentedPicker) {
    SettingsPageBody* body = makePageBody();

    body->addSection(m_layoutSection);
    m_showTitleRow = m_layoutSection->addRow(new SettingsRow(m_showTitle));
    m_showNamesRow = m_layoutSection->addRow(new SettingsRow(m_showNames));
    m_iconSizeRow = m_layoutSection->addRow(
        makeSliderRow(kPopupIconSizeSlider, [&settings](double v) { settings.setPopupIconSize(v); }));
    m_columnsRow = m_layoutSection->addRow(new SettingsRow(m_columns));

    body->addSection(m_visualSection);
    m_opacityRow = m_visualSection->addRow(
        makeSliderRow(kPopupOpacitySlider, [&settings](double v) { settings.setPopupOpacity(v); }));
    m_positionRow = m_visualSection->addRow(new SettingsRow(m_position));
    m_animationRow = m_visualSection->addRow(new SettingsRow(m_animation));
    m_blurRow = m_visualSection->addRow(new SettingsRow(m_blur));

    connect(m_showTitle, &ToggleSwitch::toggledByUser, &settings, &AppSettings::setPopupShowTitle);
    connect(m_showNames, &ToggleSwitch::toggledByUser, &settings, &AppSettings::setPopupShowAppName);
    connect(m_columns, &SegmentedPicker::selectedByUser, this, [&settings](int index) {
        settings.setPopupColumns(kPopupColumnChoices.at(static_cast<std::size_t>(index)));
    });
    connect(m_position, &SegmentedPicker::selectedByUser, this, [&settings](int index) {
        settings.setPopupPosition(kPositions.at(static_cast<std::size_t>(index)));
    });
    connect(m_animation, &SegmentedPicker::selectedByUser, this, [&settings](int index) {
        settings.setPopupAnimationStyle(kAnimations.at(static_cast<std::size_t>(index)));
    });
    connect(m_blur, &SegmentedPicker::selectedByUser, this, [&settings](int index) {
        settings.setPopupBlurStyle(kBlurs.at(static_cast<std::size_t>(index)));
    });
    finishSetup();
}

PopupSettingsView::~PopupSettingsView() = default;

void PopupSettingsView::retranslate() {
    m_layoutSection->setTitle(text(QStringLiteral("settings.popup.section.layout")));
    m_visualSection->setTitle(text(QStringLiteral("settings.popup.section.visual")));
    m_showTitleRow->setTitle(text(QStringLiteral("settings.popup.show_title")));
    m_showNamesRow->setTitle(text(QStringLiteral("settings.popup.show_names")));
    m_iconSizeRow->setTitle(text(QStringLiteral("settings.popup.icon_size")));
    m_columnsRow->setTitle(text(QStringLiteral("settings.popup.columns")));
    m_opacityRow->setTitle(text(QStringLiteral("settings.popup.opacity")));
    m_positionRow->setTitle(text(QStringLiteral("settings.popup.position")));
    m_animationRow->setTitle(text(QStringLiteral("settings.popup.animation")));
    m_blurRow->setTitle(text(QStringLiteral("settings.popup.blur")));

    QStringList columns;
    for (const int count : kPopupColumnChoices) {
        columns.append(l10n().formatNumber(count, 0));
    }
    m_columns->setOptions(columns);
    m_position->setOptions(
        {text(QStringLiteral("popup.position.center")), text(QStringLiteral("popup.position.above_dock"))});
    m_animation->setOptions(
        {text(QStringLiteral("popup.animation.spring")), text(QStringLiteral("popup.animation.none"))});
    m_blur->setOptions({text(QStringLiteral("popup.blur.thin")), text(QStringLiteral("popup.blur.regular")),
                        text(QStringLiteral("popup.blur.dark"))});
    // The value labels are in the language too ("52 пт").
    refreshValues();
}

void PopupSettingsView::refreshValues() {
    const AppSettings& s = settings();
    m_showTitle->setCheckedSilently(s.popupShowTitle());
    m_showNames->setCheckedSilently(s.popupShowAppName());
    showSliderValue(m_iconSizeRow, s.popupIconSize());
    showSliderValue(m_opacityRow, s.popupOpacity());
    m_columns->setSelectedIndex(indexIn(kPopupColumnChoices, s.popupColumns()));
    m_position->setSelectedIndex(indexIn(kPositions, s.popupPosition()));
    m_animation->setSelectedIndex(indexIn(kAnimations, s.popupAnimationStyle()));
    m_blur->setSelectedIndex(indexIn(kBlurs, s.popupBlurStyle()));
}

bool PopupSettingsView::showsSetting(AppSettings::Field field) const {
    using F = AppSettings::Field;
    return field == F::popupShowTitle || field == F::popupShowAppName || field == F::popupIconSize ||
           field == F::popupColumns || field == F::popupOpacity || field == F::popupPosition ||
           field == F::popupAnimationStyle || field == F::popupBlurStyle;
}

} // namespace tessly
