#include "mainwindow/general_settings_view.h"

#include "mainwindow/control_painting.h"
#include "mainwindow/settings_controls.h"
#include "mainwindow/settings_style.h"
#include "mainwindow/settings_values.h"
#include "mainwindow/toggle_switch.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace tessly {

GeneralSettingsView::GeneralSettingsView(AppSettings& settings, const Localization& l10n, QWidget* parent)
    : SettingsPage(settings, l10n, parent), m_launchAtLogin(new ToggleSwitch), m_showMenuBar(new ToggleSwitch),
      m_language(new QComboBox) {
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

    connect(m_launchAtLogin, &ToggleSwitch::toggledByUser, &settings, &AppSettings::setLaunchAtLogin);
    connect(m_showMenuBar, &ToggleSwitch::toggledByUser, &settings, &AppSettings::setShowMenuBar);
    connect(m_language, &QComboBox::activated, this, [this](int index) {
        if (const auto language = fromRawText<AppLanguage>(m_language->itemData(index).toString())) {
            this->settings().setLanguage(*language);
        }
    });
    finishSetup();
}

GeneralSettingsView::~GeneralSettingsView() = default;

void GeneralSettingsView::retranslate() {
    m_launchRow->setTitle(text(QStringLiteral("settings.general.launch_at_login")));
    m_launchRow->setSubtitle(text(QStringLiteral("Start Tessly when you log in")));
    m_menuBarRow->setTitle(text(QStringLiteral("settings.general.show_menu_bar")));
    m_menuBarRow->setSubtitle(text(QStringLiteral("Access from the menu bar")));
    m_languageRow->setTitle(text(QStringLiteral("settings.general.language")));
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
