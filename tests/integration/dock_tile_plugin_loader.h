// Loading an application bundle's Dock tile plug-in the way the Dock does: the application's Info.plist names
// the plug-in bundle under NSDockTilePlugIn, the plug-in bundle's Info.plist names its shared object and
// principal class, and the exported factory makes the instance. For the tests of the built plug-in.
#pragma once

#include "platform/property_list.h"
#include "plugin/dock_tile_plugin.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdlib>
#include <dlfcn.h>
#include <memory>
#include <optional>

namespace tessly::testing {

/// Text under `key` of the Info.plist of the bundle at `bundle`, or nothing.
inline std::optional<QString> infoText(const QString& bundle, const char* key) {
    const auto info = readPropertyListFile(bundle + QStringLiteral("/Contents/Info.plist"));
    if (!info || !info->root.isDictionary()) {
        return std::nullopt;
    }
    const PlistValue* value = info->root.asDictionary()->find(QString::fromLatin1(key));
    return value && value->asString() ? std::optional<QString>(*value->asString()) : std::nullopt;
}

/// The plug-in bundle an application bundle names, or nothing.
inline std::optional<QString> plugInBundleOf(const QString& application) {
    const auto name = infoText(application, "NSDockTilePlugIn");
    return name ? std::optional<QString>(application + QStringLiteral("/Contents/PlugIns/") + *name)
                : std::nullopt;
}

struct LoadedPlugIn {
    /// The factory of the loaded shared object (it stays loaded: the plug-in refuses to be unloaded).
    dock::DockTilePlugInFactory factory = nullptr;
    QString principalClass;
    QString error;

    /// An instance for a Dock of `version`, and the version the plug-in reported in `reported`.
    std::unique_ptr<dock::DockTilePlugIn> create(std::uint32_t version = dock::kDockTilePlugInProtocolVersion,
                                                 std::uint32_t* reported = nullptr) const {
        const QByteArray name = principalClass.toUtf8();
        return std::unique_ptr<dock::DockTilePlugIn>(factory ? factory(version, name.constData(), reported)
                                                             : nullptr);
    }
};

/// Loads the plug-in that `application` names, as the Dock would.
inline LoadedPlugIn loadPlugIn(const QString& application) {
    LoadedPlugIn loaded;
    const auto bundle = plugInBundleOf(application);
    const auto executable = bundle ? infoText(*bundle, "CFBundleExecutable") : std::nullopt;
    const auto principal = bundle ? infoText(*bundle, "NSPrincipalClass") : std::nullopt;
    if (!executable || !principal) {
        loaded.error = QStringLiteral("the bundles do not name the plug-in's executable and principal class");
        return loaded;
    }
    const QByteArray path = QFile::encodeName(*bundle + QStringLiteral("/Contents/MacOS/") + *executable);
    void* library = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        loaded.error = QString::fromLocal8Bit(::dlerror());
        return loaded;
    }
    loaded.factory =
        reinterpret_cast<dock::DockTilePlugInFactory>(::dlsym(library, dock::kDockTilePlugInFactorySymbol));
    if (!loaded.factory) {
        loaded.error = QStringLiteral("no factory exported");
    }
    loaded.principalClass = *principal;
    return loaded;
}

/// HOME set to `home` while it lives: the plug-in takes the home of the process that loaded it.
class ScopedHomeVariable {
public:
    explicit ScopedHomeVariable(const QString& home) {
        if (const char* old = std::getenv("HOME")) {
            m_old = QByteArray(old);
        }
        ::setenv("HOME", QFile::encodeName(home).constData(), 1);
    }
    ~ScopedHomeVariable() {
        if (m_old) {
            ::setenv("HOME", m_old->constData(), 1);
        } else {
            ::unsetenv("HOME");
        }
    }
    ScopedHomeVariable(const ScopedHomeVariable&) = delete;
    ScopedHomeVariable& operator=(const ScopedHomeVariable&) = delete;

private:
    std::optional<QByteArray> m_old;
};

} // namespace tessly::testing
