#include "platform/linux/login_item_service_linux.h"

#include "platform/atomic_file.h"
#include "platform/path_safety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tessly {

XdgAutostartLoginItemService::XdgAutostartLoginItemService(const QString& home, QString bundleIdentifier,
                                                           QString name, QString command)
    : m_autostartDirectory(home + QStringLiteral("/.config/autostart")),
      m_bundleIdentifier(std::move(bundleIdentifier)), m_name(std::move(name)),
      m_command(std::move(command)) {}

QString XdgAutostartLoginItemService::entryPath() const {
    return m_autostartDirectory + QLatin1Char('/') + m_bundleIdentifier + QStringLiteral(".desktop");
}

QString desktopEntryQuoted(const QString& argument) {
    // Inside double quotes the Exec key reserves ", `, $ and \ (each escaped by a backslash); the desktop
    // entry format then escapes the backslash once more.
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            quoted += QStringLiteral("\\\\\\\\");
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')) {
            quoted += QStringLiteral("\\\\");
        } else if (c == QLatin1Char('%')) {
            quoted += QLatin1Char('%');
        }
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

std::optional<QString> XdgAutostartLoginItemService::registerMainApplication() {
    if (!isPlainFileName(m_bundleIdentifier)) {
        return QStringLiteral("The application has no usable bundle identifier.");
    }
    if (!QFileInfo(m_command).isExecutable()) {
        return QStringLiteral("The application's executable was not found at %1.").arg(m_command);
    }
    if (!QDir().mkpath(m_autostartDirectory)) {
        return QStringLiteral("The folder %1 could not be created.").arg(m_autostartDirectory);
    }
    QString name = m_name.isEmpty() ? m_command.section(QLatin1Char('/'), -1) : m_name;
    name.remove(QLatin1Char('\n'));
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=%1\n"
                                         "Exec=%2\n"
                                         "X-GNOME-Autostart-enabled=true\n"
                                         "NoDisplay=true\n")
                              .arg(name, desktopEntryQuoted(m_command));
    if (const auto error =
            writeFileAtomically(entryPath(), entry.toUtf8(), LinkAtDestination::writeThrough)) {
        return QStringLiteral("The autostart entry %1 could not be written: %2").arg(entryPath(), *error);
    }
    return std::nullopt;
}

std::optional<QString> XdgAutostartLoginItemService::unregisterMainApplication() {
    if (!isPlainFileName(m_bundleIdentifier)) {
        return QStringLiteral("The application has no usable bundle identifier.");
    }
    QFile file(entryPath());
    if (!file.exists()) {
        return std::nullopt;
    }
    if (!file.remove()) {
        return QStringLiteral("The autostart entry %1 could not be removed: %2")
            .arg(entryPath(), file.errorString());
    }
    return std::nullopt;
}

} // namespace tessly
