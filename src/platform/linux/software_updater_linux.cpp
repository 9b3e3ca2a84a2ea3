#include "platform/linux/software_updater_linux.h"

#include <QMessageBox>

namespace tessly {

namespace {

QString textOf(const std::function<QString()>& text) {
    return text ? text() : QString();
}

} // namespace

LinuxSoftwareUpdater::LinuxSoftwareUpdater(const MainBundle& bundle, SoftwareUpdaterTexts texts)
    : m_texts(std::move(texts)) {
    std::optional<QString> feed = bundle.infoString(QStringLiteral("SUFeedURL"));
    if (feed && !feed->trimmed().isEmpty()) {
        m_feedAddress = feed->trimmed();
    }
}

LinuxSoftwareUpdater::~LinuxSoftwareUpdater() {
    delete m_box.data();
}

void LinuxSoftwareUpdater::checkForUpdates() {
    if (m_box && m_box->isVisible()) {
        m_box->raise();
        m_box->activateWindow();
        return;
    }
    // An answered box waiting for its deferred deletion.
    delete m_box.data();
    const QString message =
        m_feedAddress ? (m_texts.feedNotChecked ? m_texts.feedNotChecked(*m_feedAddress) : QString())
                      : textOf(m_texts.noFeed);
    m_box = new QMessageBox(QMessageBox::Information, textOf(m_texts.title), message, QMessageBox::Ok);
    // Answering a dialog hides it without closing it, so WA_DeleteOnClose alone would keep it.
    m_box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(m_box, &QDialog::finished, m_box, &QObject::deleteLater);
    // Modal without exec(): no nested event loop in which a quit or a reopen would run half-way through.
    m_box->setWindowModality(Qt::ApplicationModal);
    m_box->show();
    m_box->raise();
    m_box->activateWindow();
}

} // namespace tessly
