// The popup settings page: what a folder's popup shows and how it is laid out (layout section), and how it
// looks and appears (visual section).
//
//     auto* page = new PopupSettingsView(settings, l10n);
//
// Each control writes its setting at once; the settings announce it and the helpers redraw their popups.
// Main thread only.
#pragma once

#include "mainwindow/settings_pages/settings_page.h"

namespace tessly {

class SegmentedPicker;
class SettingsLabeledGroup;
class SettingsRow;
class SettingsSection;
class ToggleSwitch;

class PopupSettingsView final : public SettingsPage {
    Q_OBJECT

public:
    PopupSettingsView(AppSettings& settings, const Localization& l10n, QWidget* parent = nullptr);
    ~PopupSettingsView() override;

    [[nodiscard]] QString titleKey() const override { return QStringLiteral("settings.tab.popup"); }

    [[nodiscard]] SegmentedPicker* columnsPicker() const { return m_columns; }
    [[nodiscard]] SettingsRow* iconSizeRow() const { return m_iconSizeRow; }

protected:
    void retranslate() override;
    void refreshValues() override;
    [[nodiscard]] bool showsSetting(AppSettings::Field field) const override;

private:
    SettingsSection* m_layoutSection;
    SettingsSection* m_visualSection;
    SettingsRow* m_showTitleRow;
    SettingsRow* m_showNamesRow;
    SettingsRow* m_iconSizeRow;
    SettingsRow* m_columnsRow;
    SettingsRow* m_opacityRow;
    SettingsRow* m_positionRow;
    SettingsRow* m_animationRow;
    SettingsRow* m_blurRow;
    ToggleSwitch* m_showTitle;
    ToggleSwitch* m_showNames;
    SegmentedPicker* m_columns;
    SegmentedPicker* m_position;
    SegmentedPicker* m_animation;
    SegmentedPicker* m_blur;
};

} // namespace tessly
