// Every text the program looks up is in both string tables, so nothing ever shows a bare key.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace tessly {
namespace {

const QString kSources = QStringLiteral(TESSLY_SOURCE_DIR "/src");

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

/// The names of the system symbols, which look like keys ("folder.fill") but are looked up as images.
QSet<QString> symbolNamesForTesting() {
    QFile file(QStringLiteral(TESSLY_SOURCE_DIR "/resources/symbols.tsv"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QSet<QString> names;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#')) {
            names.insert(QString::fromUtf8(line.split('\t').first()));
        }
    }
    return names;
}

/// The keys the program's sources name, in every folder of src/: the dotted keys of every family the tables
/// hold (the symbol names left out), and the English texts looked up as their own keys.
QSet<QString> keysInSources() {
    static const QRegularExpression dotted(QStringLiteral(
        R"re("((?:settings|onboarding|popup|app|app_picker|main|folder|menu|update|window)\.[a-z_.]+[a-z_])")re"));
    static const QRegularExpression literal(
        QStringLiteral(R"re((?:text|localizedString)\(QStringLiteral\("([A-Z][^"]+)"\)\))re"));
    const QSet<QString> symbols = symbolNamesForTesting();
    QSet<QString> keys;
    QDirIterator sources(kSources, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (sources.hasNext()) {
        QFile file(sources.next());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpression* pattern : {&dotted, &literal}) {
            for (auto it = pattern->globalMatch(text); it.hasNext();) {
                const QString key = it.next().captured(1);
                if (!symbols.contains(key)) {
                    keys.insert(key);
                }
            }
        }
    }
    return keys;
}

/// A key is there as itself, or, for a counted text, as its plural forms.
bool tableHas(const QSet<QString>& keys, const QString& key) {
    return keys.contains(key) || keys.contains(key + ".one");
}

TEST(PageTextsTest, EveryKeyTheProgramUsesIsInBothLanguages) {
    const QSet<QString> used = keysInSources();
    // The scan itself must find the pages' texts, or the check below proves nothing.
    ASSERT_TRUE(used.contains("settings.appearance.corner_radius"));
    ASSERT_TRUE(used.contains("Create a folder to preview tile styles"));
    ASSERT_TRUE(used.contains("onboarding.quick.launch.subtitle"));
    ASSERT_TRUE(used.contains("main.folder.delete")) << "the folders page";
    ASSERT_TRUE(used.contains("menu.quit")) << "the shell's menu";
    ASSERT_TRUE(used.contains("update.not_checked")) << "the platform's updater";
    ASSERT_FALSE(used.contains("folder.fill")) << "a symbol";
    for (const QString code : {"en", "uk"}) {
        const QSet<QString> keys = tableKeys(code);
        for (const QString& key : used) {
            EXPECT_TRUE(tableHas(keys, key)) << code.toStdString() << " lacks " << key.toStdString();
        }
        // The colours' names are made from the backgrounds' raw texts.
        for (const QString colour :
             {"frosted", "dark", "light", "blue", "green", "red", "orange", "pink", "purple", "yellow"}) {
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
        EXPECT_FALSE(table.contains("update.unreachable"))
            << code.toStdString() << ": nothing was reached or not";
        const QString named = table.value("update.not_checked").toString();
        EXPECT_TRUE(named.contains("%@")) << code.toStdString() << ": the feed's address is shown";
        EXPECT_FALSE(named.contains("could not") || named.contains(QString::fromUtf8("Не вдалося")))
            << code.toStdString();
    }
}

} // namespace
} // namespace tessly
