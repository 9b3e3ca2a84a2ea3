#include "platform/paths.h"

#include "base/shared_names.h"

namespace tessly {

Paths::Paths(QString home) : m_home(std::move(home)) {
    while (m_home.size() > 1 && m_home.endsWith(QLatin1Char('/'))) {
        m_home.chop(1);
    }
}

QString Paths::applicationSupport() const {
    return m_home + QLatin1Char('/') + QLatin1String(kApplicationSupportDirectory);
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
    // The Dock tile plug-in finds the directory from the same constant, without Qt.
    return m_home + QLatin1Char('/') + QLatin1String(kHelperStateDirectory);
}

QString Paths::mainApplicationLockFile() const {
    return applicationSupport() + QStringLiteral("/Tessly/Main.lock");
}

QString Paths::helperLockFile(const QString& folderIdentifier) const {
    return helperStateDirectory() + QLatin1Char('/') + folderIdentifier + QStringLiteral(".lock");
}

} // namespace tessly
