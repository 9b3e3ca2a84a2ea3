// A segmented choice between a few options: equal segments on a rounded ground, the selected one raised on a
// lighter pill that slides to a newly chosen segment.
//
//     auto* picker = new SegmentedPicker(row);
//     picker->setOptions({l10n.localizedString("popup.blur.thin"), ...});
//     picker->setSelectedIndex(static_cast<int>(settings.popupBlurStyle()));
//     connect(picker, &SegmentedPicker::selectedByUser, this, [&](int index) { ... });
//
// One stop in the Tab order: the arrow keys, Home and End move the selection; a click selects a segment.
// The accessible description names the selected option. Main thread only.
#pragma once

#include <QStringList>
#include <QWidget>

class QVariantAnimation;

namespace tessly {

class SegmentedPicker final : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedPicker(QWidget* parent = nullptr);
    ~SegmentedPicker() override;

    /// The options' labels in display order; the selection is kept when it is still in range.
    void setOptions(const QStringList& labels);
    [[nodiscard]] const QStringList& options() const { return m_options; }

    /// −1 when nothing is selected.
    [[nodiscard]] int selectedIndex() const { return m_selected; }
    /// Shows a stored value: no signal, no animation.
    void setSelectedIndex(int index);
    /// Whether a selection by the user slides the pill (true) or moves it at once.
    void setAnimatesSelection(bool animates) { m_animates = animates; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

    /// The segment rectangles, in order.
    [[nodiscard]] QRectF segmentRect(int index) const;

signals:
    /// The user chose the option at `index` (a click or a key); not emitted by setSelectedIndex().
    void selectedByUser(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void selectByUser(int index);
    void updateDescription();
    [[nodiscard]] int segmentWidthHint() const;

    QStringList m_options;
    int m_selected = -1;
    bool m_animates = true;
    /// The pill's position in segments (1.5: halfway between the second and the third).
    double m_pillPosition = 0;
    QVariantAnimation* m_animation;
};

} // namespace tessly
