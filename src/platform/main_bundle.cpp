#include "platform/main_bundle.h"

#include "platform/path_safety.h"

#include <QFileInfo>

namespace tessly {

MainBundle::MainBundle(QString bundlePath, QStringList arguments)
    : m_bundlePath(std::move(bundlePath)), m_arguments(std::move(arguments)) {
    while (m_bundlePath.size() > 1 && m_bundlePath.endsWith(QLatin1Char('/'))) {
        m_bundlePath.chop(1);
    }
    if (auto parsed = readPropertyListFile(infoPlistPath())) {
        if (auto* dictionary = parsed->root.asDictionary()) {
            m_info = std::move(*dictionary);
        }
    }
}

std::optional<QString> MainBundle::infoString(const QString& key) const {
    const PlistValue* value = m_info.find(key);
    if (!value || !value->asString()) {
        return std::nullopt;
    }
    return *value->asString();
}

std::optional<QString> MainBundle::bundleIdentifier() const {
    auto identifier = infoString(QStringLiteral("CFBundleIdentifier"));
    if (identifier && identifier->isEmpty()) {
        return std::nullopt;
    }
    return identifier;
}

std::optional<QString> MainBundle::executablePath() const {
    const auto name = infoString(QStringLiteral("CFBundleExecutable"));
    if (!name || !isPlainFileName(*name)) {
        return std::nullopt;
    }
    return contentsPath() + QStringLiteral("/MacOS/") + *name;
}

std::optional<QString> MainBundle::pathForResource(const QString& name, const QString& type) const {
    // A resource name is one path component: nothing may reach outside Contents/Resources.
    if (!isPlainFileName(name) || (!type.isEmpty() && !isPlainFileName(type))) {
        return std::nullopt;
    }
    const QString path = resourcePath() + QLatin1Char('/') + name + (type.isEmpty() ? QString() : "." + type);
    if (!QFileInfo::exists(path)) {
        return std::nullopt;
    }
    return path;
}

} // namespace tessly
