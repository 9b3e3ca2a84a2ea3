// The buttons of the main window, in the styles it uses: a filled accent button for the main action of a
// view, a quiet grey one beside it, a red one for what deletes, and round icon-only buttons in the quiet and
// the red style.
//
//     auto* next = new ActionButton(ActionButtonStyle::primary,
//     l10n.localizedString("onboarding.action.next")); auto* remove = new
//     ActionButton(ActionButtonStyle::destructiveIcon, QString(), &symbols, "xmark");
//     remove->setAccessibleName(l10n.localizedString("main.folder.delete"));   // icon buttons need one
//
// Push buttons: Space activates them when they have the focus. Main thread only.
#pragma once

#include <QPushButton>

class QPainter;

namespace tessly {

class SymbolImages;

enum class ActionButtonStyle { primary, secondary, destructive, secondaryIcon, destructiveIcon };

class ActionButton final : public QPushButton {
    Q_OBJECT

public:
    /// `symbols` and `symbolName` give the icon of the icon styles (drawn before the text in the others).
    ActionButton(ActionButtonStyle style, const QString& text, const SymbolImages* symbols = nullptr,
                 QString symbolName = {}, QWidget* parent = nullptr);
    ~ActionButton() override;

    [[nodiscard]] ActionButtonStyle buttonStyle() const { return m_style; }
    /// The symbol drawn (an icon button's face); a name that is no symbol (an emoji) is drawn as text.
    void setSymbolName(const QString& symbolName);
    [[nodiscard]] const QString& symbolName() const { return m_symbolName; }
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    [[nodiscard]] bool isIconStyle() const;
    /// The symbol, the text or both, centred in the body in `ink`.
    void paintLabel(QPainter& painter, const QRectF& body, const QColor& ink) const;

    ActionButtonStyle m_style;
    const SymbolImages* m_symbols;
    QString m_symbolName;
    bool m_hovered = false;
};

} // namespace tessly
