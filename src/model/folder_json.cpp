#include "model/folder_json.h"

#include "model/uuid_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace tessly {

namespace {

// Reads one member of an object. A missing or null member is "absent"; a member of another type is an error.
class MemberReader {
public:
    MemberReader(const QJsonObject& object, QString* error) : m_object(object), m_error(error) {}

    [[nodiscard]] bool failed() const { return m_failed; }

    std::optional<QString> string(QLatin1StringView key) {
        const QJsonValue value = m_object.value(key);
        if (isAbsent(value)) {
            return std::nullopt;
        }
        if (!value.isString()) {
            fail(key, "a text");
            return std::nullopt;
        }
        return value.toString();
    }
    std::optional<double> number(QLatin1StringView key) {
        const QJsonValue value = m_object.value(key);
        if (isAbsent(value)) {
            return std::nullopt;
        }
        if (!value.isDouble()) {
            fail(key, "a number");
            return std::nullopt;
        }
        return value.toDouble();
    }
    std::optional<bool> boolean(QLatin1StringView key) {
        const QJsonValue value = m_object.value(key);
        if (isAbsent(value)) {
            return std::nullopt;
        }
        if (!value.isBool()) {
            fail(key, "a Boolean");
            return std::nullopt;
        }
        return value.toBool();
    }
    std::optional<QJsonArray> array(QLatin1StringView key) {
        const QJsonValue value = m_object.value(key);
        if (isAbsent(value)) {
            return std::nullopt;
        }
        if (!value.isArray()) {
            fail(key, "an array");
            return std::nullopt;
        }
        return value.toArray();
    }
    std::optional<QJsonObject> object(QLatin1StringView key) {
        const QJsonValue value = m_object.value(key);
        if (isAbsent(value)) {
            return std::nullopt;
        }
        if (!value.isObject()) {
            fail(key, "an object");
            return std::nullopt;
        }
        return value.toObject();
    }
    std::optional<QUuid> uuid(QLatin1StringView key) {
        auto text = string(key);
        if (!text) {
            return std::nullopt;
        }
        auto parsed = parseUuid(*text);
        if (!parsed) {
            failWith(QStringLiteral("\"%1\" is not a UUID: %2").arg(key, *text));
        }
        return parsed;
    }
    template <typename E> std::optional<E> enumeration(QLatin1StringView key) {
        auto text = string(key);
        if (!text) {
            return std::nullopt;
        }
        auto parsed = fromRawText<E>(*text);
        if (!parsed) {
            failWith(QStringLiteral("\"%1\" has an unknown value: %2").arg(key, *text));
        }
        return parsed;
    }
    /// Records that a required member is missing.
    void missing(QLatin1StringView key) { failWith(QStringLiteral("\"%1\" is missing").arg(key)); }

    void failWith(const QString& message) {
        if (!m_failed && m_error) {
            *m_error = message;
        }
        m_failed = true;
    }

private:
    static bool isAbsent(const QJsonValue& value) { return value.isUndefined() || value.isNull(); }
    void fail(QLatin1StringView key, const char* expected) {
        failWith(QStringLiteral("\"%1\" is not %2").arg(key, QLatin1StringView(expected)));
    }

    const QJsonObject& m_object;
    QString* m_error;
    bool m_failed = false;
};

void prefixError(QString* error, const QString& prefix) {
    if (error) {
        *error = prefix + *error;
    }
}

} // namespace

QJsonObject encodeAppItem(const AppItem& item) {
    return QJsonObject{
        {QLatin1StringView("id"), uuidText(item.id)},
        {QLatin1StringView("name"), item.name},
        {QLatin1StringView("bundleID"), item.bundleID},
        {QLatin1StringView("appURL"), item.appURL.toString(QUrl::FullyEncoded)},
    };
}

QJsonObject encodeTileStyle(const TileStyleSettings& style) {
    QJsonObject object{
        {QLatin1StringView("displayFolderIcon"), style.displayFolderIcon},
        {QLatin1StringView("opacity"), style.opacity},
        {QLatin1StringView("cornerRadius"), style.cornerRadius},
        {QLatin1StringView("backgroundStyle"), rawText(style.backgroundStyle)},
        {QLatin1StringView("backgroundMode"), rawText(style.backgroundMode)},
        {QLatin1StringView("borderEnabled"), style.borderEnabled},
        {QLatin1StringView("borderWidth"), style.borderWidth},
        {QLatin1StringView("borderOpacity"), style.borderOpacity},
    };
    if (style.customHex) {
        object.insert(QLatin1StringView("customHex"), *style.customHex);
    }
    return object;
}

QJsonObject encodeFolder(const AppFolder& folder) {
    QJsonArray apps;
    for (const AppItem& item : folder.apps) {
        apps.append(encodeAppItem(item));
    }
    return QJsonObject{
        {QLatin1StringView("id"), uuidText(folder.id)},
        {QLatin1StringView("name"), folder.name},
        {QLatin1StringView("emoji"), folder.emoji},
        {QLatin1StringView("apps"), apps},
        {QLatin1StringView("isInDock"), folder.isInDock},
        {QLatin1StringView("tileStyle"), encodeTileStyle(folder.tileStyle)},
        {QLatin1StringView("createdAt"), folder.createdAt.timeIntervalSinceReferenceDate()},
    };
}

QByteArray encodeFolderList(const QList<AppFolder>& folders) {
    QJsonArray array;
    for (const AppFolder& folder : folders) {
        array.append(encodeFolder(folder));
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<AppItem> decodeAppItem(const QJsonObject& object, QString* error) {
    MemberReader read(object, error);
    auto id = read.uuid(QLatin1StringView("id"));
    auto name = read.string(QLatin1StringView("name"));
    auto bundleID = read.string(QLatin1StringView("bundleID"));
    auto urlText = read.string(QLatin1StringView("appURL"));
    if (read.failed()) {
        return std::nullopt;
    }
    if (!id || !name || !bundleID || !urlText) {
        read.missing(QLatin1StringView(!id ? "id" : !name ? "name" : !bundleID ? "bundleID" : "appURL"));
        return std::nullopt;
    }
    QUrl url(*urlText, QUrl::StrictMode);
    if (urlText->isEmpty() || !url.isValid()) {
        read.failWith(QStringLiteral("\"appURL\" is not a URL: %1").arg(*urlText));
        return std::nullopt;
    }
    return AppItem{*id, *name, *bundleID, std::move(url)};
}

std::optional<TileStyleSettings> decodeTileStyle(const QJsonObject& object, QString* error) {
    MemberReader read(object, error);
    TileStyleSettings style;
    style.displayFolderIcon =
        read.boolean(QLatin1StringView("displayFolderIcon")).value_or(style.displayFolderIcon);
    style.opacity = read.number(QLatin1StringView("opacity")).value_or(style.opacity);
    style.cornerRadius = read.number(QLatin1StringView("cornerRadius")).value_or(style.cornerRadius);
    style.backgroundStyle = read.enumeration<TileBackground>(QLatin1StringView("backgroundStyle"))
                                .value_or(style.backgroundStyle);
    style.customHex = read.string(QLatin1StringView("customHex"));
    style.backgroundMode = read.enumeration<TileBackgroundMode>(QLatin1StringView("backgroundMode"))
                               .value_or(style.backgroundMode);
    style.borderEnabled = read.boolean(QLatin1StringView("borderEnabled")).value_or(style.borderEnabled);
    style.borderWidth = read.number(QLatin1StringView("borderWidth")).value_or(style.borderWidth);
    style.borderOpacity = read.number(QLatin1StringView("borderOpacity")).value_or(style.borderOpacity);
    if (read.failed()) {
        return std::nullopt;
    }
    return style;
}

std::optional<AppFolder> decodeFolder(const QJsonObject& object, Date now, QString* error) {
    MemberReader read(object, error);
    auto id = read.uuid(QLatin1StringView("id"));
    auto name = read.string(QLatin1StringView("name"));
    auto emoji = read.string(QLatin1StringView("emoji"));
    auto apps = read.array(QLatin1StringView("apps"));
    auto isInDock = read.boolean(QLatin1StringView("isInDock"));
    auto tileStyle = read.object(QLatin1StringView("tileStyle"));
    auto createdAt = read.number(QLatin1StringView("createdAt"));
    if (read.failed()) {
        return std::nullopt;
    }
    if (!id || !name) {
        read.missing(QLatin1StringView(!id ? "id" : "name"));
        return std::nullopt;
    }
    AppFolder folder;
    folder.id = *id;
    folder.name = *name;
    if (emoji) {
        folder.emoji = *emoji;
    }
    folder.isInDock = isInDock.value_or(false);
    folder.createdAt = createdAt ? Date::fromTimeIntervalSinceReferenceDate(*createdAt) : now;
    if (tileStyle) {
        auto style = decodeTileStyle(*tileStyle, error);
        if (!style) {
            prefixError(error, QStringLiteral("\"tileStyle\": "));
            return std::nullopt;
        }
        folder.tileStyle = *style;
    }
    if (apps) {
        folder.apps.reserve(apps->size());
        for (qsizetype i = 0; i < apps->size(); ++i) {
            const QJsonValue entry = apps->at(i);
            if (!entry.isObject()) {
                read.failWith(QStringLiteral("\"apps\" entry %1 is not an object").arg(i));
                return std::nullopt;
            }
            auto item = decodeAppItem(entry.toObject(), error);
            if (!item) {
                prefixError(error, QStringLiteral("\"apps\" entry %1: ").arg(i));
                return std::nullopt;
            }
            folder.apps.push_back(std::move(*item));
        }
    }
    return folder;
}

FolderListDecoding decodeFolderList(const QByteArray& bytes, Date now) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return {std::nullopt, QStringLiteral("not valid JSON (%1 at offset %2)")
                                  .arg(parseError.errorString())
                                  .arg(parseError.offset)};
    }
    if (!document.isArray()) {
        return {std::nullopt, QStringLiteral("the document is not a list of folders")};
    }
    const QJsonArray array = document.array();
    QList<AppFolder> folders;
    folders.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue value = array.at(i);
        if (!value.isObject()) {
            return {std::nullopt, QStringLiteral("folder %1 is not an object").arg(i)};
        }
        QString error;
        auto folder = decodeFolder(value.toObject(), now, &error);
        if (!folder) {
            return {std::nullopt, QStringLiteral("folder %1: %2").arg(i).arg(error)};
        }
        folders.push_back(std::move(*folder));
    }
    return {std::move(folders), {}};
}

} // namespace tessly
