#include "mainwindow/settings_pages/general_settings_view.h"

#include "mainwindow/controls/control_painting.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/controls/toggle_switch.h"
#include "mainwindow/settings_pages/settings_values.h"
#include "model/notification_names.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace tessly {

QString dockTitleKey(std::optional<DockKind> dock) {
    if (!dock) {
        return QStringLiteral("settings.general.dock.none");
    }
    switch (*dock) {
    case DockKind::standIn:
        return QStringLiteral("settings.general.dock.stand_in");
    case DockKind::plank:
        return QStringLiteral("settings.general.dock.plank");
    case DockKind::gnome:
        return QStringLiteral("settings.general.dock.gnome");
    }
    return QStringLiteral("settings.general.dock.none");
}

QString dockSubtitleKey(std::optional<DockKind> dock) {
    return dock ? QStringLiteral("settings.general.dock.subtitle")
                : QStringLiteral("settings.general.dock.none.subtitle");
}

GeneralSettingsView::GeneralSettingsView(AppSettings& settings, const Localization& l10n,
                                         DockStatus dockStatus, QWidget* parent)
    : SettingsPage(settings, l10n, parent), m_launchAtLogin(new ToggleSwitch),
      m_showMenuBar(new ToggleSwitch), m_language(new QComboBox), m_dockStatus(dockStatus) {
    SettingsPageBody* body = makePageBody();
    auto* section = body->addSection(new SettingsSection);
    m_launchRow = section->addRow(new SettingsRow(m_launchAtLogin));
    m_menuBarRow = section->addRow(new SettingsRow(m_showMenuBar));

    m_language->setFixedWidth(settings_metrics::kLanguagePickerWidth);
    m_language->setFont(settingsFont(SettingsFont::body));
    useTabFocus(*m_language);
    // The languages are named in their own language, whatever the interface speaks now.
    for (const AppLanguage language : allCases<AppLanguage>()) {
        m_language->addItem(languageDisplayName(language), rawText(language));
    }
    m_languageRow = section->addRow(new SettingsRow(m_language));
    // A line of its own: which dock the folders go to is the session's, not a setting.
    auto* dockSection = body->addSection(new SettingsSection);
    m_dockRow = dockSection->addRow(new SettingsRow);
    if (m_dockStatus.notifications) {
        m_dockObserver = ScopedObserver(
            *m_dockStatus.notifications,
            m_dockStatus.notifications->addObserver(notification_names::kDockChanged,
                                                    [this](const Notification&) { retranslate(); }));
    }

    connect(m_launchAtLogin, &ToggleSwitch::toggledByUser, &settings, &AppSettings::setLaunchAtLogin);
    connect(m_showMenuBar, &ToggleSwitch::toggledByUser, &settings, &AppSettings::setShowMenuBar);
    connect(m_language, &QComboBox::activated, this, [this](int index) {
        if (const auto language = fromRawText<AppLanguage>(m_language->itemData(index).toString())) {
            this->settings().setLanguage(*language);
        }
    });
    finishSetup();
}

void GeneralSettingsView::retranslate() {
    m_launchRow->setTitle(text(QStringLiteral("settings.general.launch_at_login")));
    m_launchRow->setSubtitle(text(QStringLiteral("Start Tessly when you log in")));
    m_menuBarRow->setTitle(text(QStringLiteral("settings.general.show_menu_bar")));
    m_menuBarRow->setSubtitle(text(QStringLiteral("Access from the menu bar")));
    m_languageRow->setTitle(text(QStringLiteral("settings.general.language")));
    const std::optional<DockKind> dock =
        m_dockStatus.docks ? m_dockStatus.docks->currentDock() : std::nullopt;
    m_dockRow->setTitle(text(dockTitleKey(dock)));
    m_dockRow->setSubtitle(text(dockSubtitleKey(dock)));
}

void GeneralSettingsView::refreshValues() {
    m_launchAtLogin->setCheckedSilently(settings().launchAtLogin());
    m_showMenuBar->setCheckedSilently(settings().showMenuBar());
    const QSignalBlocker blocker(m_language);
    m_language->setCurrentIndex(m_language->findData(rawText(settings().language())));
}

bool GeneralSettingsView::showsSetting(AppSettings::Field field) const {
    return field == AppSettings::Field::launchAtLogin || field == AppSettings::Field::showMenuBar ||
           field == AppSettings::Field::language;
}

} // namespace tessly
