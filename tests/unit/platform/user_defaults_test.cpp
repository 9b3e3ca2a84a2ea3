#include "support/in_memory_user_defaults.h"
#include "support/scoped_locale.h"

#include <gtest/gtest.h>

#include <limits>

namespace tessly {
namespace {

using testing::InMemoryUserDefaults;

TEST(UserDefaultsConversions, BooleansFollowThePlatformsRules) {
    InMemoryUserDefaults defaults;
    const std::vector<std::pair<PlistValue, bool>> cases = {
        {true, true},
        {false, false},
        {std::int64_t{0}, false},
        {std::int64_t{2}, true},
        {std::int64_t{-1}, true},
        {0.0, false},
        {0.25, true},
        {"YES", true},
        {"yes", true},
        {"true", true},
        {"T", true},
        {"1", true},
        {"  +0012", true},
        {"0", false},
        {"NO", false},
        {"false", false},
        {"", false},
        {"000", false},
        {"-7", true},
        {QByteArray("1"), false},
        {PlistArray{PlistValue(true)}, false},
    };
    for (const auto& [value, expected] : cases) {
        defaults.setObject("k", value);
        EXPECT_EQ(defaults.boolForKey("k"), expected) << "case " << (&value - &cases.front().first);
    }
    EXPECT_FALSE(defaults.boolForKey("absent"));
}

TEST(UserDefaultsConversions, NumbersFromRealsTextsAndBooleans) {
    InMemoryUserDefaults defaults;
    auto integerOf = [&](const PlistValue& value) {
        defaults.setObject("k", value);
        return defaults.integerForKey("k");
    };
    auto doubleOf = [&](const PlistValue& value) {
        defaults.setObject("k", value);
        return defaults.doubleForKey("k");
    };
    EXPECT_EQ(integerOf(3.9), 3) << "a real read as an integer is truncated";
    EXPECT_EQ(integerOf(-3.9), -3);
    EXPECT_EQ(integerOf("42"), 42);
    EXPECT_EQ(integerOf(" 17 apples"), 17);
    EXPECT_EQ(integerOf("3.7"), 3);
    EXPECT_EQ(integerOf("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(integerOf(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(integerOf(true), 1);
    EXPECT_EQ(integerOf("none"), 0);
    EXPECT_DOUBLE_EQ(doubleOf("0.75"), 0.75);
    EXPECT_DOUBLE_EQ(doubleOf(std::int64_t{6}), 6.0);
    EXPECT_DOUBLE_EQ(doubleOf("nan"), 0.0) << "no non-finite value comes out of a text";
    EXPECT_DOUBLE_EQ(doubleOf(PlistDictionary{}), 0.0);
    EXPECT_EQ(defaults.integerForKey("absent"), 0);
}

TEST(UserDefaultsConversions, NumberTextsReadWithAPointUnderADecimalCommaLocale) {
    testing::ScopedProcessLocale ukrainian("uk_UA.UTF-8");
    ASSERT_TRUE(ukrainian.isActive()) << "uk_UA.UTF-8 is not installed: run scripts/install-deps";
    InMemoryUserDefaults defaults;
    auto doubleOf = [&](const QString& text) {
        defaults.setString("k", text);
        return defaults.doubleForKey("k");
    };
    EXPECT_DOUBLE_EQ(doubleOf("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(doubleOf(" \t+2.75 pt"), 2.75);
    EXPECT_DOUBLE_EQ(doubleOf("-1.5e2"), -150.0);
    EXPECT_DOUBLE_EQ(doubleOf("0,5"), 0.0) << "a comma ends the number";
    EXPECT_DOUBLE_EQ(doubleOf("+-1"), 0.0);
    EXPECT_DOUBLE_EQ(doubleOf("0x10"), 0.0) << "decimal only";
    EXPECT_DOUBLE_EQ(doubleOf("1e400"), 0.0) << "beyond a double";
    defaults.setString("k", "7.9");
    EXPECT_EQ(defaults.integerForKey("k"), 7);
    defaults.setDouble("d", 0.25);
    EXPECT_EQ(defaults.stringForKey("d"), "0.25");
}

TEST(UserDefaultsConversions, PresenceAndTextReads) {
    InMemoryUserDefaults defaults;
    defaults.setBool("off", false);
    EXPECT_TRUE(defaults.hasObject("off")) << "a stored false is present";
    EXPECT_FALSE(defaults.hasObject("never"));
    defaults.setDouble("d", 0.5);
    EXPECT_EQ(defaults.stringForKey("d"), "0.5");
    defaults.setStringArray("AppleLanguages", {"uk"});
    EXPECT_FALSE(defaults.stringForKey("AppleLanguages"));
    EXPECT_EQ(*defaults.object("AppleLanguages"), PlistValue(PlistArray{PlistValue("uk")}));
    defaults.removeObject("off");
    EXPECT_FALSE(defaults.hasObject("off"));
}

} // namespace
} // namespace tessly
