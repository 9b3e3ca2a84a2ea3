// The general settings page: launch at login, the menu bar icon, the interface language, and which dock the
// folders go to.
//
//     auto* page = new GeneralSettingsView(settings, l10n, DockStatus{&discovery, &notifications});
//
// Each control writes its setting at once; the settings store it and tell whoever follows it. Main thread
// only.
#pragma once

#include "mainwindow/settings_pages/settings_page.h"
#include "platform/launcher_dock.h"
#include "platform/notification_center.h"
#include "platform/scoped_observer.h"

class QComboBox;

namespace tessly {

class SettingsRow;
class ToggleSwitch;

/// Where the page learns which dock the folders go to; without a discovery it says none was found.
struct DockStatus {
    const DockDiscovery* docks = nullptr;
    /// Tells the page when the dock changes; not owned.
    NotificationCenter* notifications = nullptr;
};

/// The text key of the dock line's title and subtitle for `dock` (none: no dock was found).
[[nodiscard]] QString dockTitleKey(std::optional<DockKind> dock);
[[nodiscard]] QString dockSubtitleKey(std::optional<DockKind> dock);

class GeneralSettingsView final : public SettingsPage {
    Q_OBJECT

public:
    GeneralSettingsView(AppSettings& settings, const Localization& l10n, DockStatus dockStatus = {},
                        QWidget* parent = nullptr);

    [[nodiscard]] QString titleKey() const override { return QStringLiteral("settings.tab.general"); }

    [[nodiscard]] ToggleSwitch* launchAtLoginSwitch() const { return m_launchAtLogin; }
    [[nodiscard]] ToggleSwitch* showMenuBarSwitch() const { return m_showMenuBar; }
    [[nodiscard]] QComboBox* languagePicker() const { return m_language; }
    [[nodiscard]] SettingsRow* dockRow() const { return m_dockRow; }

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
    SettingsRow* m_dockRow;
    DockStatus m_dockStatus;
    // Last, so that it ends first.
    ScopedObserver<NotificationCenter> m_dockObserver;
};

} // namespace tessly
