// The on/off switch of the settings rows: a rounded track, accent-coloured when on, with a knob that slides
// across it.
//
//     auto* toggle = new ToggleSwitch(row);
//     toggle->setAccessibleName(l10n.localizedString("settings.general.launch_at_login"));
//     toggle->setChecked(settings.launchAtLogin());
//     connect(toggle, &ToggleSwitch::toggledByUser, &settings, &AppSettings::setLaunchAtLogin);
//
// A checkable button: Space toggles it when it has the focus, a click anywhere on it toggles it. Main thread
// only.
#pragma once

#include <QAbstractButton>

class QVariantAnimation;

namespace tessly {

class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kWidth = 38;
    static constexpr int kHeight = 22;

    explicit ToggleSwitch(QWidget* parent = nullptr);
    ~ToggleSwitch() override;

    [[nodiscard]] QSize sizeHint() const override;
    /// Sets the state without telling `toggledByUser`, and without animating: for showing a stored value.
    void setCheckedSilently(bool checked);

signals:
    /// The user turned the switch (click or key); not emitted by setCheckedSilently().
    void toggledByUser(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;
    [[nodiscard]] bool hitButton(const QPoint& pos) const override;

private:
    /// 0 with the knob at the left (off), 1 at the right (on).
    double m_position = 0;
    QVariantAnimation* m_animation;
};

} // namespace tessly
