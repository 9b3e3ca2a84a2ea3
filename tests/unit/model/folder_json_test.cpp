#include "model/folder_json.h"
#include "model/uuid_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tessly {
namespace {

const Date kNow = Date::fromTimeIntervalSinceReferenceDate(786'000'000.25);

constexpr auto kFolderId = "3F2504E0-4F89-41D3-9A0C-0305E82C3301";
constexpr auto kAppId = "9B2B6B0E-0C0A-4C4B-8E59-3D7D7E1F6A10";

QByteArray folderFileWith(const QString& folderMembers) {
    return QStringLiteral(R"([{"id":"%1","name":"Work"%2}])").arg(kFolderId, folderMembers).toUtf8();
}

QString appEntry(const QString& members) {
    return QStringLiteral(R"({"id":"%1","name":"Mail","bundleID":"com.example.mail"%2})")
        .arg(kAppId, members);
}

/// The object that encodeFolderList writes for `folder`, read back by an independent JSON reader.
QJsonObject writtenFolder(const AppFolder& folder) {
    return QJsonDocument::fromJson(encodeFolderList({folder})).array().first().toObject();
}

std::optional<TileStyleSettings> readTileStyle(const QString& styleObject) {
    const auto read =
        decodeFolderList(folderFileWith(QStringLiteral(R"(,"tileStyle":%1)").arg(styleObject)), kNow);
    if (!read.folders) {
        return std::nullopt;
    }
    return read.folders->first().tileStyle;
}

AppFolder sampleFolder() {
    AppFolder folder;
    folder.id = *parseUuid(QString::fromLatin1(kFolderId));
    folder.name = QStringLiteral("Робота ✨ \"quoted\" / slash \\ tab\t line\n\x01 𝄞");
    folder.emoji = QStringLiteral("🚀");
    folder.apps = {
        AppItem{*parseUuid(QString::fromLatin1(kAppId)), QStringLiteral("Mail"),
                QStringLiteral("com.example.mail"), QUrl(QStringLiteral("file:///Applications/Mail.app/"))},
        AppItem{makeUuid(), QStringLiteral("Text Edit"), QStringLiteral("com.example.text"),
                QUrl::fromLocalFile(QStringLiteral("/Applications/Text Edit 100%.app/"))},
    };
    folder.isInDock = true;
    folder.tileStyle.customHex = QStringLiteral("FF8800");
    folder.tileStyle.backgroundStyle = TileBackground::custom;
    folder.tileStyle.backgroundMode = TileBackgroundMode::glass;
    folder.tileStyle.opacity = 0.1 + 0.2; // a double whose shortest text is long
    folder.createdAt = Date::fromTimeIntervalSinceReferenceDate(700'000'000.123456);
    return folder;
}

TEST(FolderJson, MinimalFolderTakesDefaultsAndIsWrittenWithAllMembers) {
    const auto read = decodeFolderList(folderFileWith(QString()), kNow);
    ASSERT_TRUE(read.folders) << read.error.toStdString();
    ASSERT_EQ(read.folders->size(), 1);
    const AppFolder& folder = read.folders->first();
    EXPECT_EQ(folder.emoji, "folder.fill");
    EXPECT_TRUE(folder.apps.isEmpty());
    EXPECT_FALSE(folder.isInDock);
    EXPECT_EQ(folder.tileStyle, TileStyleSettings{});
    EXPECT_EQ(folder.createdAt, kNow);

    const QJsonObject written = writtenFolder(folder);
    EXPECT_EQ(written.keys(),
              QStringList({"apps", "createdAt", "emoji", "id", "isInDock", "name", "tileStyle"}));
    EXPECT_TRUE(written.value("createdAt").isDouble()) << "a number of seconds, not a date text";
    EXPECT_DOUBLE_EQ(written.value("createdAt").toDouble(), 786'000'000.25);
}

TEST(FolderJson, NullMembersReadAsMissing) {
    const auto read = decodeFolderList(
        folderFileWith(R"(,"emoji":null,"apps":null,"isInDock":null,"tileStyle":null,"createdAt":null)"),
        kNow);
    ASSERT_TRUE(read.folders) << read.error.toStdString();
    EXPECT_EQ(read.folders->first().emoji, "folder.fill");
    EXPECT_EQ(read.folders->first().createdAt, kNow);
}

TEST(FolderJson, TileStyleDefaultsAndCustomHexPresence) {
    const auto empty = readTileStyle("{}");
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, TileStyleSettings{});
    AppFolder folder{makeUuid(), "W", "folder", {}, false, *empty, kNow};
    EXPECT_FALSE(writtenFolder(folder).value("tileStyle").toObject().contains("customHex"))
        << "an absent colour is never written as null";

    const auto withNull = readTileStyle(R"({"customHex":null})");
    ASSERT_TRUE(withNull);
    EXPECT_FALSE(withNull->customHex.has_value());

    folder.tileStyle.customHex = QStringLiteral("FF8800");
    EXPECT_NE(folder.tileStyle, TileStyleSettings{}) << "present and absent customHex differ";
    EXPECT_EQ(writtenFolder(folder).value("tileStyle").toObject().value("customHex").toString(), "FF8800");

    folder.tileStyle.opacity = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(decodeFolderList(encodeFolderList({folder}), kNow).folders) << "no NaN ever reaches the file";
}

TEST(FolderJson, EveryDefectFailsTheWholeDocument) {
    const QString goodApp = appEntry(R"(,"appURL":"file:///Applications/Mail.app/")");
    const std::vector<std::pair<const char*, QString>> cases = {
        {"app without appURL", QStringLiteral(R"(,"apps":[%1])").arg(appEntry(QString()))},
        {"app with null name",
         QStringLiteral(R"(,"apps":[%1])")
             .arg(QStringLiteral(R"({"id":"%1","name":null,"bundleID":"b","appURL":"file:///a"})")
                      .arg(kAppId))},
        {"app with empty URL", QStringLiteral(R"(,"apps":[%1])").arg(appEntry(R"(,"appURL":"")"))},
        {"app with unparsable URL",
         QStringLiteral(R"(,"apps":[%1])").arg(appEntry(R"(,"appURL":"http://[::1")"))},
        {"app that is not an object", QStringLiteral(R"(,"apps":[%1, 5])").arg(goodApp)},
        {"apps as an object", R"(,"apps":{})"},
        {"isInDock as text", R"(,"isInDock":"true")"},
        {"createdAt as a date text", R"(,"createdAt":"2024-01-01T00:00:00Z")"},
        {"emoji as a number", R"(,"emoji":5)"},
        {"tileStyle as an array", R"(,"tileStyle":[])"},
        {"unknown background mode", R"(,"tileStyle":{"backgroundMode":"tiled"})"},
        {"unknown background colour", R"(,"tileStyle":{"backgroundStyle":"magenta"})"},
        {"raw text in the wrong case", R"(,"tileStyle":{"backgroundStyle":"Blue"})"},
        {"opacity as text", R"(,"tileStyle":{"opacity":"0.5"})"},
        {"customHex as a number", R"(,"tileStyle":{"customHex":123})"},
    };
    for (const auto& [what, members] : cases) {
        const auto read = decodeFolderList(folderFileWith(members), kNow);
        EXPECT_FALSE(read.folders) << what;
        EXPECT_FALSE(read.error.isEmpty()) << what;
    }

    QByteArray invalidUtf8 = folderFileWith(R"(,"emoji":"EMOJI")");
    invalidUtf8.replace("EMOJI", "\xff\xfe");
    EXPECT_FALSE(decodeFolderList(invalidUtf8, kNow).folders) << "invalid UTF-8";

    // The same folder with a sound application entry reads, so each failure above is the defect's own.
    EXPECT_TRUE(
        decodeFolderList(folderFileWith(QStringLiteral(R"(,"apps":[%1])").arg(goodApp)), kNow).folders);
}

TEST(FolderJson, RequiredFolderMembersAndDocumentShape) {
    EXPECT_FALSE(decodeFolderList(R"([{"name":"Work"}])", kNow).folders);
    EXPECT_FALSE(decodeFolderList(QStringLiteral(R"([{"id":"%1"}])").arg(kFolderId).toUtf8(), kNow).folders);
    EXPECT_FALSE(decodeFolderList(R"({"folders":[]})", kNow).folders) << "the document is an array";
    EXPECT_FALSE(decodeFolderList(R"([5])", kNow).folders);
    EXPECT_FALSE(decodeFolderList("", kNow).folders);
    const auto empty = decodeFolderList("[]", kNow);
    ASSERT_TRUE(empty.folders);
    EXPECT_TRUE(empty.folders->isEmpty());
}

TEST(FolderJson, UuidTextsReadInEitherCaseAndAreWrittenUpperCase) {
    const QString lower = QString::fromLatin1(kFolderId).toLower();
    const auto read =
        decodeFolderList(QStringLiteral(R"([{"id":"%1","name":"W"}])").arg(lower).toUtf8(), kNow);
    ASSERT_TRUE(read.folders) << read.error.toStdString();
    EXPECT_EQ(writtenFolder(read.folders->first()).value("id").toString(), kFolderId);

    for (const char* bad : {"{3F2504E0-4F89-41D3-9A0C-0305E82C3301}", "3F2504E04F8941D39A0C0305E82C3301",
                            "3F2504E0-4F89-41D3-9A0C-0305E82C330", "3F2504E0-4F89-41D3-9A0C-0305E82C330G",
                            "3F2504E0+4F89-41D3-9A0C-0305E82C3301", ""}) {
        EXPECT_FALSE(parseUuid(QString::fromLatin1(bad))) << bad;
    }
    const QString fresh = uuidText(makeUuid());
    EXPECT_EQ(fresh, fresh.toUpper());
    EXPECT_EQ(parseUuid(fresh.toLower()), parseUuid(fresh));
}

TEST(FolderJson, WrittenListReadsBackToTheSameBytes) {
    const QList<AppFolder> folders = {sampleFolder(),
                                      AppFolder{makeUuid(), "Empty", "folder", {}, false, {}, kNow}};
    const QByteArray bytes = encodeFolderList(folders);
    EXPECT_FALSE(bytes.contains('\n')) << "compact JSON";
    const QJsonDocument independent = QJsonDocument::fromJson(bytes);
    ASSERT_TRUE(independent.isArray()) << "any JSON reader reads the file";
    EXPECT_EQ(independent.array().first().toObject().value("name").toString(), folders.first().name);

    const auto read = decodeFolderList(bytes, Date());
    ASSERT_TRUE(read.folders) << read.error.toStdString();
    ASSERT_EQ(read.folders->size(), 2);
    const AppFolder& back = read.folders->first();
    EXPECT_EQ(back.name, folders.first().name);
    EXPECT_EQ(back.emoji, "🚀");
    EXPECT_EQ(back.apps, folders.first().apps);
    EXPECT_EQ(back.tileStyle, folders.first().tileStyle);
    EXPECT_EQ(back.createdAt, folders.first().createdAt) << "the fraction of a second survives";
    EXPECT_EQ(back.apps.at(1).appURL.toLocalFile(), "/Applications/Text Edit 100%.app/");
    EXPECT_EQ(encodeFolderList(*read.folders), bytes);
}

TEST(FolderJson, AppItemEqualityTakesEveryField) {
    const AppItem mail{makeUuid(), "Mail", "com.example.mail", QUrl("file:///Applications/Mail.app/")};
    AppItem again = mail;
    EXPECT_EQ(mail, again);
    EXPECT_EQ(qHash(mail), qHash(again));
    again.id = makeUuid();
    EXPECT_NE(mail, again) << "the same application added twice is two entries";
    QList<AppItem> order{mail, again};
    QList<AppItem> reversed{again, mail};
    EXPECT_NE(order, reversed) << "a reordering is a change";
}

// Damaged files of every shape: nothing crashes and nothing half-read comes back.
TEST(FolderJson, DamagedDocumentsFailCleanly) {
    const QByteArray good = encodeFolderList({sampleFolder()});
    for (qsizetype length = 0; length < good.size(); ++length) {
        const auto read = decodeFolderList(good.left(length), kNow);
        EXPECT_FALSE(read.folders) << "truncated to " << length;
    }

    QRandomGenerator random(20261208);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes = good;
        const int flips = 1 + static_cast<int>(random.bounded(4));
        for (int i = 0; i < flips; ++i) {
            bytes[random.bounded(static_cast<int>(bytes.size()))] = static_cast<char>(random.bounded(256));
        }
        const auto read = decodeFolderList(bytes, kNow);
        if (read.folders) {
            // Whatever reads must write back readable.
            EXPECT_TRUE(decodeFolderList(encodeFolderList(*read.folders), kNow).folders);
        } else {
            EXPECT_FALSE(read.error.isEmpty());
        }
    }

    const QByteArray deep = QByteArray(200'000, '[') + QByteArray(200'000, ']');
    EXPECT_FALSE(decodeFolderList(deep, kNow).folders);
    const QByteArray deepStyle =
        folderFileWith(R"(,"tileStyle":{"x":)" + QString(5000, '[') + QString(5000, ']') + "}");
    const auto read = decodeFolderList(deepStyle, kNow);
    EXPECT_FALSE(read.folders && read.folders->size() != 1);
}

} // namespace
} // namespace tessly

namespace tessly {
namespace {

// Whatever numbers a file holds, the program's own form of it reads back to the same values and, written
// again, to the same bytes: otherwise a file the program wrote is one it refuses or rewrites on every load.
TEST(FolderJson, EveryNumberWrittenReadsBackToTheSameValueAndTheSameBytes) {
    const double values[] = {18446744073709551616.0, // 2^64: printed as a whole number it no longer reads
                             1e20,
                             9.3e18,
                             -9.3e18,
                             9007199254740993.0,
                             -0.0,
                             0.1 + 0.2,
                             1e300,
                             5e-324,
                             -1.5};
    for (const double value : values) {
        AppFolder folder{
            makeUuid(), "Work", "folder", {}, false, {}, Date::fromTimeIntervalSinceReferenceDate(value)};
        folder.tileStyle.opacity = value;
        const QByteArray first = encodeFolderList({folder});
        const auto read = decodeFolderList(first, kNow);
        ASSERT_TRUE(read.folders) << value << ": " << read.error.toStdString() << "\n" << first.toStdString();
        const AppFolder& back = read.folders->first();
        EXPECT_EQ(back.tileStyle.opacity, value);
        EXPECT_EQ(std::signbit(back.tileStyle.opacity), std::signbit(value)) << value;
        EXPECT_EQ(back.createdAt.timeIntervalSinceReferenceDate(), value);
        EXPECT_EQ(encodeFolderList(*read.folders), first) << value;
    }
}

TEST(FolderJson, IntegersBeyondSixtyFourBitsReadAsTheNearestDouble) {
    const auto read = decodeFolderList(
        folderFileWith(
            R"(,"createdAt":18446744073709551616,"tileStyle":{"cornerRadius":-92233720368547758090,)"
            R"("customHex":"12345678901234567890"}, "name2": "9999999999999999999999")"),
        kNow);
    ASSERT_TRUE(read.folders) << read.error.toStdString();
    const AppFolder& folder = read.folders->first();
    EXPECT_EQ(folder.createdAt.timeIntervalSinceReferenceDate(), 18446744073709551616.0);
    EXPECT_EQ(folder.tileStyle.cornerRadius, -92233720368547758090.0);
    EXPECT_EQ(folder.tileStyle.customHex, "12345678901234567890") << "digits inside texts are left alone";
    EXPECT_FALSE(decodeFolderList(folderFileWith(R"(,"createdAt":1844674407370955161600x)"), kNow).folders);
}

TEST(FolderJson, TextWithAByteOrderMarkReadsInItsEncoding) {
    const QString text = QString::fromUtf8(folderFileWith(R"(,"emoji":"🚀")").replace("Work", "Тека"));
    auto encoded = [&](QStringConverter::Encoding encoding) {
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        return QByteArray(encoder.encode(text));
    };
    for (const auto encoding : {QStringConverter::Utf8, QStringConverter::Utf16LE, QStringConverter::Utf16BE,
                                QStringConverter::Utf32LE, QStringConverter::Utf32BE}) {
        const QByteArray bytes = encoded(encoding);
        const auto read = decodeFolderList(bytes, kNow);
        ASSERT_TRUE(read.folders) << encoding << ": " << read.error.toStdString();
        EXPECT_EQ(read.folders->first().name, "Тека");
        EXPECT_EQ(read.folders->first().emoji, "🚀");
    }
    // A mark followed by text that is not in its encoding (here a lone UTF-16 surrogate) is refused.
    QByteArray broken = encoded(QStringConverter::Utf16LE);
    broken.append("\x00\xD8", 2);
    EXPECT_FALSE(decodeFolderList(broken, kNow).folders);
    EXPECT_FALSE(decodeFolderList("\xEF\xBB", kNow).folders);
}

} // namespace
} // namespace tessly
