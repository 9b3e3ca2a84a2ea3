#include "mainwindow/controls/settings_controls.h"

#include "mainwindow/controls/settings_style.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tessly {

namespace {

/// The rounded background of a section; draws the hairlines between its visible rows.
class SectionCard final : public QWidget {
public:
    explicit SectionCard(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPalette& p = palette();
        const double radius = settings_metrics::kSectionCornerRadius;
        painter.setPen(QPen(p.color(kSectionBorderRole), 1));
        painter.setBrush(p.color(kSectionBackgroundRole));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(p.color(kSeparatorRole), 1));
        bool first = true;
        for (QObject* child : children()) {
            auto* row = qobject_cast<QWidget*>(child);
            if (!row || row->isHidden()) {
                continue;
            }
            if (!first) {
                // Inset on the left like native grouped lists, flush on the right.
                const int y = row->geometry().top();
                painter.drawLine(settings_metrics::kRowPaddingHorizontal, y, width() - 1, y);
            }
            first = false;
        }
    }
};

} // namespace

QLabel* makeSettingsLabel(SettingsTextStyle style, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    switch (style) {
    case SettingsTextStyle::body:
        label->setFont(settingsFont(SettingsFont::body));
        label->setForegroundRole(kPrimaryTextRole);
        break;
    case SettingsTextStyle::secondary:
        label->setFont(settingsFont(SettingsFont::body));
        label->setForegroundRole(kSecondaryTextRole);
        break;
    case SettingsTextStyle::caption:
        label->setFont(settingsFont(SettingsFont::caption));
        label->setForegroundRole(kSecondaryTextRole);
        break;
    case SettingsTextStyle::sectionTitle:
        label->setFont(settingsFont(SettingsFont::sectionTitle));
        label->setForegroundRole(kSecondaryTextRole);
        break;
    case SettingsTextStyle::title:
        label->setFont(settingsFont(SettingsFont::title));
        label->setForegroundRole(kPrimaryTextRole);
        break;
    case SettingsTextStyle::hero:
        label->setFont(settingsFont(SettingsFont::hero));
        label->setForegroundRole(kPrimaryTextRole);
        break;
    }
    return label;
}

SettingsRow::SettingsRow(QWidget* control, QWidget* parent)
    : QWidget(parent), m_control(control), m_title(makeSettingsLabel(SettingsTextStyle::body)),
      m_subtitle(makeSettingsLabel(SettingsTextStyle::caption)) {
    using namespace settings_metrics;
    setMinimumHeight(kRowMinimumHeight);
    auto* layout = new QHBoxLayout(this);
    // The controls carry a margin of their own for their focus ring: the row's padding allows for it.
    layout->setContentsMargins(kRowPaddingHorizontal, kRowPaddingVertical - 4, kRowPaddingHorizontal - 4,
                               kRowPaddingVertical - 4);
    layout->setSpacing(10);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->setContentsMargins(0, 4, 0, 4);
    m_title->setWordWrap(true);
    m_subtitle->setWordWrap(true);
    m_subtitle->hide();
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    layout->addLayout(texts, 1);
    if (m_control) {
        layout->addWidget(m_control, 0, Qt::AlignVCenter);
    }
}

SettingsRow::~SettingsRow() = default;

void SettingsRow::setTitle(const QString& title) {
    m_title->setText(title);
    if (m_control) {
        m_control->setAccessibleName(title);
    }
}

void SettingsRow::setSubtitle(const QString& subtitle) {
    m_subtitle->setText(subtitle);
    m_subtitle->setVisible(!subtitle.isEmpty());
    if (m_control) {
        m_control->setAccessibleDescription(subtitle);
    }
}

void SettingsRow::setValueText(const QString& text) {
    if (!m_value) {
        m_value = makeSettingsLabel(SettingsTextStyle::secondary, this);
        m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // Wide enough for "100%" and "72 пт", so the slider does not shift while its value changes.
        m_value->setMinimumWidth(m_value->fontMetrics().horizontalAdvance(QStringLiteral("100 пт")) + 4);
        static_cast<QHBoxLayout*>(layout())->addWidget(m_value, 0, Qt::AlignVCenter);
    }
    m_value->setText(text);
}

SettingsLabeledGroup::SettingsLabeledGroup(QWidget* content, QWidget* parent)
    : QWidget(parent), m_content(content), m_title(makeSettingsLabel(SettingsTextStyle::body)) {
    using namespace settings_metrics;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kRowPaddingHorizontal, kRowPaddingVertical + 1, kRowPaddingHorizontal - 4,
                               kRowPaddingVertical - 2);
    layout->setSpacing(4);
    m_title->setWordWrap(true);
    layout->addWidget(m_title);
    if (m_content) {
        layout->addWidget(m_content);
    }
}

SettingsLabeledGroup::~SettingsLabeledGroup() = default;

void SettingsLabeledGroup::setTitle(const QString& title) {
    m_title->setText(title);
    if (m_content) {
        m_content->setAccessibleName(title);
    }
}

SettingsSection::SettingsSection(QWidget* parent)
    : QWidget(parent), m_title(makeSettingsLabel(SettingsTextStyle::sectionTitle)),
      m_card(new SectionCard(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_title->setContentsMargins(settings_metrics::kRowPaddingHorizontal, 0, 0, 0);
    m_title->hide();
    layout->addWidget(m_title);
    layout->addWidget(m_card);
    m_rows = new QVBoxLayout(m_card);
    m_rows->setContentsMargins(0, 2, 0, 2);
    m_rows->setSpacing(0);
}

SettingsSection::~SettingsSection() = default;

void SettingsSection::setTitle(const QString& title) {
    m_title->setText(title);
    m_title->setVisible(!title.isEmpty());
}

void SettingsSection::appendRow(QWidget* row) {
    m_rows->addWidget(row);
}

SettingsPageBody::SettingsPageBody(QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this)) {
    using namespace settings_metrics;
    m_layout->setContentsMargins(kPageMarginHorizontal, kPageMarginVertical, kPageMarginHorizontal,
                                 kPageMarginVertical);
    m_layout->setSpacing(kSectionSpacing);
}

SettingsPageBody::~SettingsPageBody() = default;

void SettingsPageBody::addStretch() {
    m_layout->addStretch(1);
}

void SettingsPageBody::appendWidget(QWidget* widget) {
    m_layout->addWidget(widget);
}

} // namespace tessly
