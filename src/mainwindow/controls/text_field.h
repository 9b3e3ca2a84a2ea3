// A one-line text field in the main window's look: a rounded ground in the section colour with a hairline
// edge, an optional symbol before the text (a magnifying glass for a search), and the accent ring while it
// has the keyboard.
//
//     auto* search = new TextField(&symbols, QStringLiteral("magnifyingglass"));
//     search->lineEdit()->setPlaceholderText(l10n.localizedString("app_picker.search_placeholder"));
//     connect(search->lineEdit(), &QLineEdit::textChanged, this, &Picker::filter);
//
// The field takes the focus for its line edit (setFocus on the field reaches it). Main thread only.
#pragma once

#include <QWidget>

class QLineEdit;

namespace tessly {

class SymbolImages;

class TextField final : public QWidget {
    Q_OBJECT

public:
    explicit TextField(const SymbolImages* symbols = nullptr, QString symbolName = {},
                       QWidget* parent = nullptr);
    ~TextField() override;

    [[nodiscard]] QLineEdit* lineEdit() const { return m_edit; }
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const SymbolImages* m_symbols;
    QString m_symbolName;
    QLineEdit* m_edit;
};

} // namespace tessly
