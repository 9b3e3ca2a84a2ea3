#include "model/display_text.h"

#include <gtest/gtest.h>

namespace tessly {
namespace {

TEST(DisplayText, NothingInANameReordersOrBreaksWhatIsShown) {
    // "report<RLO>fdp.exe" would read "reportexe.pdf"; every kind of directional control goes.
    EXPECT_EQ(displayedName(QStringLiteral("report\u202Efdp.exe")), QStringLiteral("reportfdp.exe"));
    EXPECT_EQ(displayedName(QStringLiteral(
                  "\u202Aa\u202Bb\u202Cc\u202Dd\u2066e\u2067f\u2068g\u2069h\u200Ei\u200Fj\u061Ck")),
              QStringLiteral("abcdefghijk"));
    // Line breaks and tabs become spaces; other controls, NUL among them, go.
    QString controls = QStringLiteral("Work\tand\nplay\r\u0085\u2028x\u0001y\u007F\u009Fz");
    controls += QChar(0);
    controls += QStringLiteral("!");
    EXPECT_EQ(displayedName(controls), QStringLiteral("Work and play   xyz!"));
}

TEST(DisplayText, WhatIsSeenStaysAndAnIsolatedNameKeepsToItself) {
    // Right-to-left letters, emoji joined by a zero-width joiner, and other invisible but harmless
    // characters.
    const QString name = QStringLiteral("\u05E9\u05DC\u05D5\u05DD \U0001F469\u200D\U0001F4BB \u00AD\u200B");
    EXPECT_EQ(displayedName(name), name);
    EXPECT_EQ(isolatedName(QStringLiteral("a\u202Eb")), QStringLiteral("\u2068ab\u2069"));
}

} // namespace
} // namespace tessly
