// What the window's sheets share (the folder editor, the application picker): a title at the top and a row of
// buttons at the bottom right, texts in the interface language and colours of the theme, both followed live,
// and Escape for the sheet's cancel.
//
//     class FolderEditorSheet final : public SheetContent {
//         void retranslate() override { setTitle(text("folder.editor.title.new")); ... }
//         void cancel() override { m_store.setShowingFolderEditor(false); }
//     };
//     // the derived constructor builds its body into bodyLayout() and buttonRow(), then calls finishSetup()
//
// The sheet draws no ground of its own: the window draws the sheet's card behind it. Main thread only.
#pragma once

#include <QString>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QVBoxLayout;

namespace tessly {

class AppSettings;
class Localization;

class SheetContent : public QWidget {
    Q_OBJECT

public:
    SheetContent(AppSettings& settings, const Localization& l10n, QWidget* parent = nullptr);
    ~SheetContent() override;

    [[nodiscard]] QLabel* titleLabel() const { return m_title; }

protected:
    /// Sets every text from the string tables; run by finishSetup() and on each change of language.
    virtual void retranslate() = 0;
    /// Closes the sheet without a change (Escape, the cancel button).
    virtual void cancel() = 0;

    /// The derived sheet calls this last in its constructor.
    void finishSetup();

    void setTitle(const QString& title);
    [[nodiscard]] QString text(const QString& key) const;
    [[nodiscard]] const Localization& l10n() const { return m_l10n; }
    /// Where the sheet's content goes, between the title and the buttons.
    [[nodiscard]] QVBoxLayout* bodyLayout() const { return m_body; }
    /// The buttons' row; the stretch before them keeps them at the right.
    [[nodiscard]] QHBoxLayout* buttonRow() const { return m_buttons; }

private:
    void applyTheme();

    AppSettings& m_settings;
    const Localization& m_l10n;
    QLabel* m_title;
    QVBoxLayout* m_body;
    QHBoxLayout* m_buttons;
};

} // namespace tessly
