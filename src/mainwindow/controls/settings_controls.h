// The building blocks of the settings pages: a page body with its margins, sections of rows on a rounded
// background, rows with a title (and a subtitle) on the left and their control on the right, and groups that
// put a wide control under its label.
//
//     auto* body = new SettingsPageBody(page);
//     auto* section = body->addSection(new SettingsSection);
//     auto* row = section->addRow(new SettingsRow(new ToggleSwitch));
//     row->setTitle(l10n.localizedString("settings.general.launch_at_login"));   // also the switch's
//     accessible name
//
// Colours come from the palette (settings_style.h), so they follow a change of theme; texts are set by the
// page, which sets them again when the language changes. Main thread only.
#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace tessly {

/// One line of a section: title and optional subtitle on the left, the control (and its value) on the right.
class SettingsRow final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsRow(QWidget* control = nullptr, QWidget* parent = nullptr);
    ~SettingsRow() override;

    /// Also becomes the control's accessible name.
    void setTitle(const QString& title);
    /// A second, quieter line under the title; hidden when empty. Also the control's accessible description.
    void setSubtitle(const QString& subtitle);
    /// A value shown right of the control (a slider's "12 pt"); the label appears with the first value.
    void setValueText(const QString& text);

    [[nodiscard]] QWidget* control() const { return m_control; }
    [[nodiscard]] QLabel* titleLabel() const { return m_title; }
    [[nodiscard]] QLabel* subtitleLabel() const { return m_subtitle; }
    [[nodiscard]] QLabel* valueLabel() const { return m_value; }

private:
    QWidget* m_control;
    QLabel* m_title;
    QLabel* m_subtitle;
    QLabel* m_value = nullptr;
};

/// A label above a control that needs the row's whole width (a segmented choice, a row of colours).
class SettingsLabeledGroup final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsLabeledGroup(QWidget* content, QWidget* parent = nullptr);
    ~SettingsLabeledGroup() override;

    /// Also becomes the content's accessible name.
    void setTitle(const QString& title);
    [[nodiscard]] QWidget* content() const { return m_content; }
    [[nodiscard]] QLabel* titleLabel() const { return m_title; }

private:
    QWidget* m_content;
    QLabel* m_title;
};

/// Rows on a rounded background, with hairlines between them, under an optional title.
class SettingsSection final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsSection(QWidget* parent = nullptr);
    ~SettingsSection() override;

    /// Shown above the rows; hidden when empty.
    void setTitle(const QString& title);
    [[nodiscard]] QLabel* titleLabel() const { return m_title; }

    /// Appends a row (any widget) and returns it.
    template <typename Row> Row* addRow(Row* row) {
        appendRow(row);
        return row;
    }

private:
    void appendRow(QWidget* row);

    QLabel* m_title;
    QWidget* m_card;
    QVBoxLayout* m_rows;
};

/// The content of a settings page: sections one under another, with the page's margins.
class SettingsPageBody final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsPageBody(QWidget* parent = nullptr);
    ~SettingsPageBody() override;

    template <typename W> W* addSection(W* section) {
        appendWidget(section);
        return section;
    }
    /// Pushes what follows to the bottom of the page.
    void addStretch();

private:
    void appendWidget(QWidget* widget);

    QVBoxLayout* m_layout;
};

/// A label in one of the page's text styles, its colour from the palette.
enum class SettingsTextStyle { body, secondary, caption, sectionTitle, title, hero };
[[nodiscard]] QLabel* makeSettingsLabel(SettingsTextStyle style, QWidget* parent = nullptr);

} // namespace tessly
