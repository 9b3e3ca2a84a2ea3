// What every page of the main window's settings (and the onboarding) shares: its texts in the interface
// language, switched as soon as the language changes; its colours in the chosen theme, switched as soon as
// the theme changes; and the height it needs, which the window follows.
//
//     class GeneralSettingsView final : public SettingsPage { ... };
//     auto* page = new GeneralSettingsView(settings, l10n);
//     frame->setTitle(page->title());
//     connect(page, &SettingsPage::preferredHeightChanged, frame, &Frame::resizeToPage);
//
// A page fills its background with the theme's window colour; a frame that draws its own background turns
// that off with setAutoFillBackground(false). Main thread only.
#pragma once

#include "settings/app_settings.h"

#include <QString>
#include <QWidget>
#include <functional>

namespace tessly {

class Localization;
class SettingsPageBody;
class SettingsRow;
struct SliderRange;

class SettingsPage : public QWidget {
    Q_OBJECT

public:
    SettingsPage(AppSettings& settings, const Localization& l10n, QWidget* parent = nullptr);
    ~SettingsPage() override;

    /// The key of the page's title in the string tables ("settings.tab.general").
    [[nodiscard]] virtual QString titleKey() const = 0;
    /// The title in the current language.
    [[nodiscard]] QString title() const;

    /// The content height the page needs when it is `width` wide.
    [[nodiscard]] int preferredHeight(int width) const;
    [[nodiscard]] QSize sizeHint() const override;

signals:
    /// The page's content height changed (a text grew in another language, a row appeared); the window sizes
    /// itself to it.
    void preferredHeightChanged(int height);

protected:
    /// Sets every text of the page from the string tables; run at the end of construction and on each
    /// change of language.
    virtual void retranslate() = 0;
    /// Shows the current value of every control; run at the end of construction and on each change of a
    /// setting (another window, a helper catching up, the onboarding).
    virtual void refreshValues() = 0;
    /// Which settings the page shows; a change of any other does not refresh it.
    [[nodiscard]] virtual bool showsSetting(AppSettings::Field field) const = 0;

    /// The derived page calls this last in its constructor.
    void finishSetup();

    [[nodiscard]] AppSettings& settings() const { return m_settings; }
    [[nodiscard]] const Localization& l10n() const { return m_l10n; }
    /// The text of `key` in the current language.
    [[nodiscard]] QString text(const QString& key) const;

    /// The page's content: a body with the page's margins filling the page.
    [[nodiscard]] SettingsPageBody* makePageBody();
    /// A row holding a slider over `range`, with the slider's value written beside it; `onChange` hears each
    /// value the user moves it to.
    [[nodiscard]] SettingsRow* makeSliderRow(const SliderRange& range, std::function<void(double)> onChange);
    /// Shows `value` on the slider of a row made by makeSliderRow() and writes it beside it.
    void showSliderValue(SettingsRow* row, double value) const;

    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyTheme();

    AppSettings& m_settings;
    const Localization& m_l10n;
    int m_lastReportedHeight = -1;
};

} // namespace tessly
