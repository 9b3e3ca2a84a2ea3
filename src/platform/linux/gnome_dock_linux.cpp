#include "platform/linux/gnome_dock_linux.h"

#include "platform/path_safety.h"

#include <QDir>
#include <QFileInfo>

// GIO names a structure field "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace tessly {

namespace {

/// The schema when it is installed with a list of texts under the key; null otherwise. Owned by the caller.
GSettingsSchema* lookUpSchema(const QString& schemaId) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) {
        return nullptr;
    }
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaId.toUtf8().constData(), TRUE);
    if (!schema) {
        return nullptr;
    }
    bool fits = false;
    if (g_settings_schema_has_key(schema, kGnomeFavoriteAppsKey)) {
        GSettingsSchemaKey* key = g_settings_schema_get_key(schema, kGnomeFavoriteAppsKey);
        fits = g_variant_type_equal(g_settings_schema_key_get_value_type(key), G_VARIANT_TYPE_STRING_ARRAY);
        g_settings_schema_key_unref(key);
    }
    if (!fits) {
        g_settings_schema_unref(schema);
        return nullptr;
    }
    return schema;
}

} // namespace

bool gnomeShellSchemaInstalled() {
    GSettingsSchema* schema = lookUpSchema(QString::fromLatin1(kGnomeShellSchema));
    if (schema) {
        g_settings_schema_unref(schema);
    }
    return schema != nullptr;
}

// The GSettings object and its signal connection; null settings when the schema is missing.
class GnomeDock::Settings {
public:
    Settings(GnomeDock& dock, const QString& schemaId) {
        GSettingsSchema* schema = lookUpSchema(schemaId);
        if (!schema) {
            return;
        }
        m_settings = g_settings_new_full(schema, nullptr, nullptr);
        g_settings_schema_unref(schema);
        const QByteArray signal = QByteArrayLiteral("changed::") + kGnomeFavoriteAppsKey;
        g_signal_connect(m_settings, signal.constData(), G_CALLBACK(+[](GSettings*, gchar*, gpointer dock) {
                             static_cast<GnomeDock*>(dock)->reportChange();
                         }),
                         &dock);
        // GSettings reports changes of a key only once it has been read.
        g_strfreev(g_settings_get_strv(m_settings, kGnomeFavoriteAppsKey));
    }
    ~Settings() {
        if (!m_settings) {
            return;
        }
        g_signal_handlers_disconnect_matched(m_settings, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                             nullptr);
        // Writes go out to dconf in the background; this waits for them, so that a keep made just before
        // Tessly quits is not lost.
        g_settings_sync();
        g_object_unref(m_settings);
    }
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    [[nodiscard]] std::optional<QStringList> ids() const {
        if (!m_settings) {
            return std::nullopt;
        }
        gchar** values = g_settings_get_strv(m_settings, kGnomeFavoriteAppsKey);
        QStringList ids;
        for (gchar** value = values; value && *value; ++value) {
            ids.append(QString::fromUtf8(*value));
        }
        g_strfreev(values);
        return ids;
    }

    bool setIds(const QStringList& ids) {
        if (!m_settings) {
            return false;
        }
        QList<QByteArray> encoded;
        encoded.reserve(ids.size());
        for (const QString& id : ids) {
            encoded.append(id.toUtf8());
        }
        std::vector<const gchar*> values;
        values.reserve(encoded.size() + 1);
        for (const QByteArray& id : encoded) {
            values.push_back(id.constData());
        }
        values.push_back(nullptr);
        return g_settings_set_strv(m_settings, kGnomeFavoriteAppsKey, values.data());
    }

private:
    GSettings* m_settings = nullptr;
};

GnomeDock::GnomeDock(QString applicationsDirectory, const QString& schemaId)
    : m_applicationsDirectory(QDir::cleanPath(std::move(applicationsDirectory))),
      m_settings(std::make_unique<Settings>(*this, schemaId)) {}

GnomeDock::~GnomeDock() = default;

std::optional<QString> GnomeDock::idOf(const QString& entryPath) const {
    if (!QDir::isAbsolutePath(entryPath)) {
        return std::nullopt;
    }
    const QFileInfo entry(QDir::cleanPath(entryPath));
    if (entry.absolutePath() != m_applicationsDirectory || !isPlainFileName(entry.fileName())) {
        return std::nullopt;
    }
    return entry.fileName();
}

bool GnomeDock::keep(const QString& entryPath) {
    const std::optional<QString> id = idOf(entryPath);
    std::optional<QStringList> ids = m_settings->ids();
    if (!id || !ids) {
        return false;
    }
    if (ids->contains(*id)) {
        return true;
    }
    ids->append(*id);
    return m_settings->setIds(*ids);
}

bool GnomeDock::remove(const QString& entryPath) {
    const std::optional<QString> id = idOf(entryPath);
    std::optional<QStringList> ids = m_settings->ids();
    if (!id || !ids) {
        return false;
    }
    if (ids->removeAll(*id) == 0) {
        return true;
    }
    return m_settings->setIds(*ids);
}

std::optional<QStringList> GnomeDock::keptLaunchers() {
    const std::optional<QStringList> ids = m_settings->ids();
    if (!ids) {
        return std::nullopt;
    }
    QStringList entries;
    for (const QString& id : *ids) {
        if (isPlainFileName(id)) {
            entries.append(m_applicationsDirectory + QLatin1Char('/') + id);
        }
    }
    return entries;
}

void GnomeDock::reportChange() {
    // A copy: the handler may replace itself.
    if (const std::function<void()> handler = m_changeHandler) {
        handler();
    }
}

} // namespace tessly
