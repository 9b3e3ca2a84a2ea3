// The folder-name rule as the user types, the symbols a folder can wear, and what saving the editor does to
// the folder store.
#include "mainwindow/editor/folder_editor_logic.h"

#include "model/folder_store.h"
#include "support/recording_console.h"
#include "support/recording_helper_actions.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using namespace tessly::testing;

TEST(FolderNameRuleTest, AccentedLatinAndPunctuationAreDroppedAndTheRestKeepsItsOrder) {
    const FolderNameRuleResult result = applyFolderNameRule(QStringLiteral("Café, Müsik & Co_2-b!"));
    EXPECT_EQ(result.name, QStringLiteral("Caf Msik  Co_2-b"));
    EXPECT_TRUE(result.droppedCharacters);
    EXPECT_FALSE(result.shortened);
    EXPECT_TRUE(result.changed());
}

TEST(FolderNameRuleTest, OnlyTheThirtyTwoPairsOfBasicCyrillicLettersPass) {
    EXPECT_EQ(applyFolderNameRule(QStringLiteral("Їжак і ґанок, є ёж")).name, QStringLiteral("жак  анок  ж"));
    EXPECT_EQ(applyFolderNameRule(QStringLiteral("ІЇЄҐЁ")).name, QString());
    // The ends of both ranges, U+0410 to U+044F, and the letters just outside them.
    EXPECT_TRUE(isAllowedInFolderName(0x0410));
    EXPECT_TRUE(isAllowedInFolderName(0x044F));
    EXPECT_FALSE(isAllowedInFolderName(0x040F));
    EXPECT_FALSE(isAllowedInFolderName(0x0450));
    const FolderNameRuleResult ukrainian = applyFolderNameRule(QStringLiteral("Робота Й щоденник"));
    EXPECT_FALSE(ukrainian.changed()) << "й and щ are inside the range";
}

TEST(FolderNameRuleTest, AllowedNamesLongerThanTwentyCharactersKeepTheirFirstTwenty) {
    const FolderNameRuleResult result = applyFolderNameRule(QStringLiteral("abcdefghij_KLMNOPQRS-12345"));
    EXPECT_EQ(result.name, QStringLiteral("abcdefghij_KLMNOPQRS"));
    EXPECT_TRUE(result.shortened);
    EXPECT_FALSE(result.droppedCharacters);

    const FolderNameRuleResult exactly = applyFolderNameRule(QStringLiteral("Twenty chars exactly"));
    EXPECT_FALSE(exactly.changed());
    EXPECT_EQ(exactly.name, QStringLiteral("Twenty chars exactly"));
    // Dropped and cut at once: the cut counts only what the rule kept.
    EXPECT_EQ(applyFolderNameRule(QStringLiteral("é1234567890abcdefghijk!")).name,
              QStringLiteral("1234567890abcdefghij"));
}

TEST(FolderNameRuleTest, CharactersAreWhatTheUserSeesNotCodeUnits) {
    // "e" with a combining acute is one character whose first scalar is "e": it passes, whole.
    const QString decomposed = QStringLiteral("e\u0301");
    EXPECT_FALSE(applyFolderNameRule(decomposed.repeated(20)).changed());
    EXPECT_EQ(userPerceivedLength(decomposed.repeated(20)), 20);
    EXPECT_EQ(applyFolderNameRule(decomposed.repeated(21)).name, decomposed.repeated(20))
        << "cut after 20 characters, not 20 code units, and never inside one";
    // A family emoji joined by zero-width joiners goes as a whole, leaving no joiner behind.
    EXPECT_EQ(applyFolderNameRule(QStringLiteral("A\U0001F468\u200D\U0001F469\u200D\U0001F467B")).name,
              QStringLiteral("AB"));
    // A lone surrogate is no character at all.
    QString broken = QStringLiteral("ab");
    broken.insert(1, QChar(0xD800));
    EXPECT_EQ(applyFolderNameRule(broken).name, QStringLiteral("ab"));
}

TEST(FolderNameRuleTest, NamesThatKeepTheRuleAreLeftAloneBlankOnesIncluded) {
    for (const QString& name :
         {QString(), QStringLiteral("   "), QStringLiteral("Work"), QStringLiteral("a-b_c 1")}) {
        const FolderNameRuleResult result = applyFolderNameRule(name);
        EXPECT_FALSE(result.changed()) << name.toStdString();
        EXPECT_EQ(result.name, name);
    }
    EXPECT_EQ(trimmedFolderName(QStringLiteral(" \t\n ")), std::nullopt);
    EXPECT_EQ(trimmedFolderName(QString()), std::nullopt);
    EXPECT_EQ(trimmedFolderName(QStringLiteral("  My Apps \n")), QStringLiteral("My Apps"));
}

TEST(FolderIconsTest, NinetyNineDistinctSymbolsEachDrawnByTheSymbolTable) {
    const QStringList& icons = availableFolderIcons();
    ASSERT_EQ(icons.size(), 99);
    EXPECT_EQ(icons.constFirst(), QStringLiteral("folder"));
    EXPECT_EQ(icons.constLast(), QStringLiteral("photo"));
    EXPECT_EQ(QSet<QString>(icons.begin(), icons.end()).size(), 99);

    QFile table(QStringLiteral(TESSLY_SOURCE_DIR "/resources/symbols.tsv"));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    QSet<QString> named;
    for (const QByteArray& line : table.readAll().split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#')) {
            named.insert(QString::fromUtf8(line.split('\t').constFirst()));
        }
    }
    for (const QString& icon : icons) {
        EXPECT_TRUE(named.contains(icon)) << icon.toStdString() << " has no glyph";
    }
    EXPECT_EQ(spokenSymbolName(QStringLiteral("wrench.and.screwdriver")),
              QStringLiteral("wrench and screwdriver"));
}

class SaveFolderEditorTest : public ::testing::Test {
protected:
    TempHome home;
    VirtualTime time;
    NotificationCenter center;
    RecordingConsole console;
    RecordingHelperActions helpers;
    FolderStore store{home.paths(), helpers, center, time, time, console};
};

TEST_F(SaveFolderEditorTest, ABlankNameSavesNothing) {
    EXPECT_FALSE(saveFolderFromEditor(store, std::nullopt, QStringLiteral("  \n "), "star", time.now()));
    EXPECT_TRUE(store.folders().isEmpty());
    EXPECT_FALSE(QFile::exists(store.saveURL()));
}

TEST_F(SaveFolderEditorTest, ANewFolderIsAddedTrimmedOutOfTheDockWithTheNewFolderStyle) {
    ASSERT_TRUE(
        saveFolderFromEditor(store, std::nullopt, QStringLiteral("  Work "), "briefcase", time.now()));
    ASSERT_EQ(store.folders().size(), 1);
    const AppFolder& made = store.folders().constFirst();
    EXPECT_EQ(made.name, QStringLiteral("Work"));
    EXPECT_EQ(made.emoji, QStringLiteral("briefcase"));
    EXPECT_TRUE(made.apps.isEmpty());
    EXPECT_FALSE(made.isInDock);
    EXPECT_FALSE(made.id.isNull());
    EXPECT_EQ(made.createdAt, time.now());
    EXPECT_EQ(store.newlyAddedFolderID(), made.id);
    const TileStyleSettings& style = made.tileStyle;
    EXPECT_FALSE(style.displayFolderIcon);
    EXPECT_DOUBLE_EQ(style.opacity, 0.64);
    EXPECT_DOUBLE_EQ(style.cornerRadius, 12.0);
    EXPECT_EQ(style.backgroundStyle, TileBackground::light);
    EXPECT_EQ(style.customHex, std::nullopt);
    EXPECT_EQ(style.backgroundMode, TileBackgroundMode::gradient);
    EXPECT_FALSE(style.borderEnabled);
    EXPECT_DOUBLE_EQ(style.borderWidth, 3.0);
    EXPECT_DOUBLE_EQ(style.borderOpacity, 1.0);
    EXPECT_TRUE(helpers.calls.isEmpty()) << "a new folder is not in the Dock: no helper";
}

TEST_F(SaveFolderEditorTest, EditingRenamesAndKeepsWhatChangedInTheStoreMeanwhile) {
    AppFolder folder = makeNewFolder(QStringLiteral("Old"), "folder", time.now());
    store.addFolder(folder);
    const AppFolder opened = folder; // the editor's copy, taken when it opened
    folder.apps.append(
        AppItem{QUuid::createUuid(), "Mail", "com.example.mail", QUrl::fromLocalFile("/A/Mail.app")});
    store.updateFolder(folder); // an application added from the folder's card while the editor was open

    ASSERT_TRUE(saveFolderFromEditor(store, opened, QStringLiteral("New "), "star", time.now()));
    ASSERT_EQ(store.folders().size(), 1);
    EXPECT_EQ(store.folders().constFirst().name, QStringLiteral("New"));
    EXPECT_EQ(store.folders().constFirst().emoji, QStringLiteral("star"));
    EXPECT_EQ(store.folders().constFirst().apps.size(), 1) << "the application added meanwhile stays";

    EXPECT_FALSE(saveFolderFromEditor(store, opened, QStringLiteral("   "), "moon", time.now()));
    EXPECT_EQ(store.folders().constFirst().name, QStringLiteral("New")) << "a blank rename keeps the name";
    EXPECT_EQ(store.folders().constFirst().emoji, QStringLiteral("star"));
}

} // namespace
} // namespace tessly
