// The about page: the application's icon, name and tagline, its version as the bundle states it, a button
// that asks the software-update component to look for a newer version, and the copyright line.
//
//     auto* page = new AboutView(settings, l10n, bundle, updater);
//
// Main thread only.
#pragma once

#include "mainwindow/settings_pages/settings_page.h"

class QLabel;

namespace tessly {

class ActionButton;
class MainBundle;
class SoftwareUpdater;

/// The version the about page shows: the bundle's "CFBundleShortVersionString", or nothing.
[[nodiscard]] QString bundleShortVersion(const MainBundle& bundle);

/// The application's icon from the bundle's resources (the file "CFBundleIconFile" names, with or without its
/// extension); a null image when there is none.
[[nodiscard]] QImage bundleIconImage(const MainBundle& bundle);

class AboutView final : public SettingsPage {
    Q_OBJECT

public:
    AboutView(AppSettings& settings, const Localization& l10n, const MainBundle& bundle,
              SoftwareUpdater& updater, QWidget* parent = nullptr);
    ~AboutView() override;

    [[nodiscard]] QString titleKey() const override { return QStringLiteral("settings.tab.about"); }
    [[nodiscard]] ActionButton* checkForUpdatesButton() const { return m_checkForUpdates; }
    [[nodiscard]] QLabel* versionLabel() const { return m_version; }
    [[nodiscard]] QLabel* taglineLabel() const { return m_tagline; }

protected:
    void retranslate() override;
    void refreshValues() override {}
    [[nodiscard]] bool showsSetting(AppSettings::Field) const override { return false; }

private:
    QString m_shortVersion;
    QLabel* m_icon;
    QLabel* m_name;
    QLabel* m_tagline;
    QLabel* m_version;
    QLabel* m_copyright;
    ActionButton* m_checkForUpdates;
};

} // namespace tessly
