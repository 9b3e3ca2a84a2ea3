#include "mainwindow/settings_pages/about_view.h"

#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/settings_style.h"
#include "platform/main_bundle.h"
#include "platform/software_updater.h"
#include "settings/localization.h"

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace tessly {

namespace {
constexpr int kIconSide = 96;
} // namespace

QString bundleShortVersion(const MainBundle& bundle) {
    return bundle.infoString(QStringLiteral("CFBundleShortVersionString")).value_or(QString());
}

QImage bundleIconImage(const MainBundle& bundle) {
    const auto file = bundle.infoString(QStringLiteral("CFBundleIconFile"));
    if (!file || file->isEmpty()) {
        return {};
    }
    const QFileInfo info(*file);
    const QString suffix = info.suffix();
    // The platform allows the name without its extension; the Linux bundle keeps its icons as PNG.
    const auto path = suffix.isEmpty() ? bundle.pathForResource(*file, QStringLiteral("png"))
                                       : bundle.pathForResource(info.completeBaseName(), suffix);
    return path ? QImage(*path) : QImage();
}

AboutView::AboutView(AppSettings& settings, const Localization& l10n, const MainBundle& bundle,
                     SoftwareUpdater& updater, QWidget* parent)
    : SettingsPage(settings, l10n, parent), m_shortVersion(bundleShortVersion(bundle)), m_icon(new QLabel),
      m_name(makeSettingsLabel(SettingsTextStyle::title)),
      m_tagline(makeSettingsLabel(SettingsTextStyle::secondary)),
      m_version(makeSettingsLabel(SettingsTextStyle::caption)),
      m_copyright(makeSettingsLabel(SettingsTextStyle::caption)),
      m_checkForUpdates(new ActionButton(ActionButtonStyle::secondary, QString())) {
    auto* layout = new QVBoxLayout(this);
    using namespace settings_metrics;
    layout->setContentsMargins(kPageMarginHorizontal, 28, kPageMarginHorizontal, 24);
    layout->setSpacing(0);

    const QImage icon = bundleIconImage(bundle);
    m_icon->setFixedSize(kIconSide, kIconSide);
    if (!icon.isNull()) {
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap = QPixmap::fromImage(
            icon.scaled(QSize(kIconSide, kIconSide) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(ratio);
        m_icon->setPixmap(pixmap);
    }
    m_icon->setAlignment(Qt::AlignCenter);
    m_icon->setAccessibleName(QStringLiteral("Tessly"));
    layout->addWidget(m_icon, 0, Qt::AlignHCenter);
    layout->addSpacing(14);
    for (QLabel* label : {m_name, m_tagline, m_version}) {
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
    }
    layout->addWidget(m_name);
    layout->addSpacing(4);
    layout->addWidget(m_tagline);
    layout->addSpacing(6);
    layout->addWidget(m_version);
    layout->addSpacing(18);
    layout->addWidget(m_checkForUpdates, 0, Qt::AlignHCenter);
    layout->addSpacing(18);
    m_copyright->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_copyright);

    connect(m_checkForUpdates, &QPushButton::clicked, this, [&updater] { updater.checkForUpdates(); });
    finishSetup();
}

AboutView::~AboutView() = default;

void AboutView::retranslate() {
    m_name->setText(text(QStringLiteral("app.name")));
    m_tagline->setText(text(QStringLiteral("Organize your macOS Dock with elegant app folders.")));
    m_version->setText(l10n().localizedString(QStringLiteral("settings.about.version"), {m_shortVersion}));
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_checkForUpdates->setText(text(QStringLiteral("settings.about.check_updates")));
    m_checkForUpdates->setAccessibleName(m_checkForUpdates->text());
    m_checkForUpdates->updateGeometry();
    m_copyright->setText(text(QStringLiteral("settings.about.copyright")));
}

} // namespace tessly
