// The general settings page: launch at login, the menu bar icon, and the interface language.
//
//     auto* page = new GeneralSettingsView(settings, l10n);
//
// Each control writes its setting at once; the settings store it and tell whoever follows it. Main thread
// only.
#pragma once

#include "mainwindow/settings_page.h"

class QComboBox;

namespace tessly {

class SettingsRow;
class ToggleSwitch;

class GeneralSettingsView final : public SettingsPage {
    Q_OBJECT

public:
    GeneralSettingsView(AppSettings& settings, const Localization& l10n, QWidget* parent = nullptr);
    ~GeneralSettingsView() override;

    [[nodiscard]] QString titleKey() const override { return QStringLiteral("settings.tab.general"); }

    [[nodiscard]] ToggleSwitch* launchAtLoginSwitch() const { return m_launchAtLogin; }
    [[nodiscard]] ToggleSwitch* showMenuBarSwitch() const { return m_showMenuBar; }
    [[nodiscard]] QComboBox* languagePicker() const { return m_language; }

protected:
    void retranslate() override;
    void refreshValues() override;
    [[nodiscard]] bool showsSetting(AppSettings::Field field) const override;

private:
    ToggleSwitch* m_launchAtLogin;
    ToggleSwitch* m_showMenuBar;
    QComboBox* m_language;
    SettingsRow* m_launchRow;
    SettingsRow* m_menuBarRow;
    SettingsRow* m_languageRow;
};

} // namespace tessly
