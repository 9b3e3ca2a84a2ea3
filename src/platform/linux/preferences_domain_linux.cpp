#include "platform/linux/preferences_domain_linux.h"

#include "platform/path_safety.h"

namespace tessly {

PlistFilePreferencesDomain::PlistFilePreferencesDomain(const Paths& paths, QString domain, Console& console)
    : m_paths(paths), m_domain(std::move(domain)), m_console(console) {
    if (!isPlainFileName(m_domain)) {
        m_console.printLine(QStringLiteral("[Preferences] Refusing the preferences domain \"%1\": not a "
                                           "plain file name.")
                                .arg(m_domain));
        return;
    }
    m_store = std::make_unique<PlistFileUserDefaults>(m_paths, m_domain, m_console);
}

void PlistFilePreferencesDomain::synchronize() {
    if (!m_store) {
        return;
    }
    // A fresh store has read nothing yet: even a rewrite that kept the file's size and time stamp is seen.
    m_store = std::make_unique<PlistFileUserDefaults>(m_paths, m_domain, m_console);
}

std::optional<PlistValue> PlistFilePreferencesDomain::copyValue(const QString& key) const {
    return m_store ? m_store->object(key) : std::nullopt;
}

void PlistFilePreferencesDomain::setValue(const QString& key, const std::optional<PlistValue>& value) {
    if (!m_store) {
        return;
    }
    if (value) {
        m_store->setObject(key, *value);
        return;
    }
    m_store->removeObject(key);
}

QString PlistFilePreferencesDomain::filePath() const {
    return m_store ? m_store->filePath() : QString();
}

} // namespace tessly
