#include "platform/paths.h"

namespace tessly {

Paths::Paths(QString home) : m_home(std::move(home)) {
    while (m_home.size() > 1 && m_home.endsWith(QLatin1Char('/'))) {
        m_home.chop(1);
    }
}

QString Paths::applicationSupport() const {
    return m_home + QStringLiteral("/Library/Application Support");
}

QString Paths::preferences() const {
    return m_home + QStringLiteral("/Library/Preferences");
}

QString Paths::containers() const {
    return m_home + QStringLiteral("/Library/Containers");
}

QString Paths::preferencesFile(const QString& domain) const {
    return preferences() + QLatin1Char('/') + domain + QStringLiteral(".plist");
}

QString Paths::folderFile() const {
    return applicationSupport() + QStringLiteral("/Tessly/folders.json");
}

QString Paths::helpersDirectory() const {
    return applicationSupport() + QStringLiteral("/Tessly/Helpers");
}

QString Paths::helperStateDirectory() const {
    return applicationSupport() + QStringLiteral("/Tessly/HelperState");
}

QString Paths::mainApplicationLockFile() const {
    return applicationSupport() + QStringLiteral("/Tessly/Main.lock");
}

QString Paths::helperLockFile(const QString& folderIdentifier) const {
    return helperStateDirectory() + QLatin1Char('/') + folderIdentifier + QStringLiteral(".lock");
}

} // namespace tessly
