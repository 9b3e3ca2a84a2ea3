// Every text the pages look up is in both string tables, so no page ever shows a bare key.
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace tessly {
namespace {

const QString kSources = QStringLiteral(TESSLY_SOURCE_DIR "/src/mainwindow");

QSet<QString> tableKeys(const QString& code) {
    QFile file(QStringLiteral(TESSLY_SOURCE_DIR "/resources/") + code + ".lproj/Localizable.json");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object();
    QSet<QString> keys;
    for (auto it = table.begin(); it != table.end(); ++it) {
        if (!it.value().toString().isEmpty()) {
            keys.insert(it.key());
        }
    }
    return keys;
}

/// The keys the page sources name: dotted keys of the interface's families (not the names of symbols, some of
/// which look alike), and the English texts passed to text() as their own keys.
QSet<QString> keysInSources() {
    static const QRegularExpression dotted(
        QStringLiteral(R"re((?<!symbol\(QStringLiteral\()"((?:settings|onboarding|popup|app)\.[a-z_.]+[a-z_])")re"));
    static const QRegularExpression literal(QStringLiteral(R"re(text\(QStringLiteral\("([A-Z][^"]+)"\)\))re"));
    QSet<QString> keys;
    for (const QFileInfo& source : QDir(kSources).entryInfoList({"*.cpp", "*.h"}, QDir::Files)) {
        QFile file(source.filePath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpression* pattern : {&dotted, &literal}) {
            for (auto it = pattern->globalMatch(text); it.hasNext();) {
                keys.insert(it.next().captured(1));
            }
        }
    }
    return keys;
}

TEST(PageTextsTest, EveryKeyThePagesUseIsInBothLanguages) {
    const QSet<QString> used = keysInSources();
    // The scan itself must find the pages' texts, or the check below proves nothing.
    ASSERT_TRUE(used.contains("settings.appearance.corner_radius"));
    ASSERT_TRUE(used.contains("Create a folder to preview tile styles"));
    ASSERT_TRUE(used.contains("onboarding.quick.launch.subtitle"));
    for (const QString code : {"en", "uk"}) {
        const QSet<QString> keys = tableKeys(code);
        for (const QString& key : used) {
            EXPECT_TRUE(keys.contains(key)) << code.toStdString() << " lacks " << key.toStdString();
        }
        // The colours' names are made from the backgrounds' raw texts.
        for (const QString colour : {"frosted", "dark", "light", "blue", "green", "red", "orange", "pink",
                                     "purple", "yellow"}) {
            EXPECT_TRUE(keys.contains("settings.appearance.color." + colour)) << code.toStdString();
        }
    }
}

// A check for updates fetches nothing on this system: with a feed named, the message says where the feed is
// and claims nothing of it.
TEST(PageTextsTest, TheUpdateCheckSaysOnlyWhatItDid) {
    for (const QString code : {"en", "uk"}) {
        QFile file(QStringLiteral(TESSLY_SOURCE_DIR "/resources/") + code + ".lproj/Localizable.json");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object();
        EXPECT_FALSE(table.contains("update.unreachable")) << code.toStdString() << ": nothing was reached or not";
        const QString named = table.value("update.not_checked").toString();
        EXPECT_TRUE(named.contains("%@")) << code.toStdString() << ": the feed's address is shown";
        EXPECT_FALSE(named.contains("could not") || named.contains(QString::fromUtf8("Не вдалося")))
            << code.toStdString();
    }
}

} // namespace
} // namespace tessly
