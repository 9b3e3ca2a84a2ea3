#include "helpers/helper_manager.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

TEST(HelperBundleName, ForbiddenCharactersAreDroppedAndSpacesKept) {
    EXPECT_EQ(helperBundleName("Q1/Q2: Work"), "Q1Q2 Work.app");
    EXPECT_EQ(helperBundleName("Work / Play"), "Work  Play.app");
    EXPECT_EQ(helperBundleName("   "), "   .app");
    EXPECT_EQ(helperBundleName("\t\t"), "Group.app");
    EXPECT_EQ(helperBundleName(""), "Group.app");
    EXPECT_EQ(helperBundleName("*?\"<>|"), "Group.app");
    EXPECT_EQ(helperBundleName(QString::fromUtf8("A\u00A0B\u2028C\u200BD")), "ABCD.app")
        << "other spaces and format characters";
}

TEST(HelperBundleName, TheFirstThirtyUserPerceivedCharacters) {
    EXPECT_EQ(helperBundleName(QString(40, 'x')), QString(30, 'x') + ".app");
    // A family emoji is several code points joined by zero-width joiners: one character, its joiners removed.
    const QString family = QString::fromUtf8("👨\u200D👩\u200D👧");
    const QString name = helperBundleName(family + QString(29, 'y') + "zzz");
    EXPECT_EQ(name, QString::fromUtf8("👨👩👧") + QString(29, 'y') + ".app");
    EXPECT_EQ(helperBundleName(QString::fromUtf8("é") + QString(35, 'e')),
              QString::fromUtf8("é") + QString(29, 'e') + ".app");
}

TEST(HelperBundleName, AtMost255BytesCutBetweenUserPerceivedCharacters) {
    // Thirty characters: five letters and 25 emoji of 12 bytes each once their joiners are gone, an emoji
    // with a skin tone (8 bytes) then a laptop (4 bytes).
    const QString withTone = QString::fromUtf8("👩🏽");
    const QString laptop = QString::fromUtf8("💻");
    QString name = "abcde";
    QString expected = "abcde";
    for (int i = 0; i < 25; ++i) {
        name += withTone + QChar(0x200D) + laptop;
        expected += i < 20 ? withTone + laptop : QString();
    }
    // 5 + 20 * 12 = 245 bytes; the next woman with her tone would make 253 with ".app" left out, and the
    // woman alone (249) would part her from her tone.
    EXPECT_EQ(helperBundleName(name), expected + ".app");
    EXPECT_EQ(helperBundleName(name).toUtf8().size(), 249);

    // One character of more than 251 bytes leaves nothing whole to keep.
    EXPECT_EQ(helperBundleName("e" + QString(300, QChar(0x0301))), "Group.app");
}

TEST(HelperBundleName, HostileNamesStayOneFileName) {
    for (const QString& name :
         {QString(".."), QString("../../x"), QString("a/b"), QString::fromUtf8("x\0y", 3),
          QString::fromUtf8("\u202Eevil"), QString("/"), QString("\n\r")}) {
        const QString bundle = helperBundleName(name);
        EXPECT_FALSE(bundle.contains('/')) << name.toStdString();
        EXPECT_FALSE(bundle.contains(QChar(0)));
        EXPECT_FALSE(bundle.contains(QChar(0x202E))) << "bidirectional controls are format characters";
        EXPECT_TRUE(bundle.endsWith(".app"));
        EXPECT_NE(bundle, "..");
    }
    EXPECT_EQ(helperBundleName(".."), "...app");
}

TEST(HelperFormats, ShortestDecimalTextReadsBackExactly) {
    for (const double value : {1733650000.123456, 1733650000.0, 0.1, 1e-7, 1733650000.5}) {
        const QString text = shortestDecimalText(value);
        EXPECT_TRUE(text.contains('.')) << text.toStdString();
        EXPECT_FALSE(text.contains('e')) << "plain notation";
        EXPECT_EQ(text.toDouble(), value);
    }
    EXPECT_EQ(shortestDecimalText(1733650000.25), "1733650000.25");
    EXPECT_EQ(shortestDecimalText(1733650000.0), "1733650000.0");
}

TEST(HelperPaths, StandardizedAndCanonicalForms) {
    EXPECT_EQ(standardizedPath("/a//b/./c/../d/"), "/a/b/d");
    EXPECT_EQ(standardizedPath("relative/x/"), "relative/x");
    EXPECT_EQ(canonicalPath("/nonexistent/deep/path.app"), "/nonexistent/deep/path.app");
    EXPECT_EQ(standardizedPath("/../../x"), "/x") << "nothing above the root";
    EXPECT_EQ(canonicalPath("relative/../x/"), "x") << "not resolved against the working directory";
}

} // namespace
} // namespace tessly
