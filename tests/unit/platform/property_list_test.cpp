#include "platform/property_list.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace tessly {
namespace {

PlistValue sampleRoot() {
    return PlistDictionary{
        {"zeta", 1},
        {"tilesize", std::int64_t{48}},
        {"largesize", 48.0},
        {"magnification", true},
        {"negative", std::int64_t{-5}},
        {"name", QStringLiteral("Тека ✨ <&>")},
        {"when", Date::fromTimeIntervalSinceReferenceDate(700'000'000.0)}, // XML dates hold whole seconds
        {"blob", QByteArray("\x00\x01\xff", 3)},
        {"list", PlistArray{PlistValue("a"), PlistValue(PlistDictionary{{"inner", false}})}},
        {"alpha", PlistDictionary{}},
    };
}

TEST(PropertyList, BothFormatsKeepTypesOrderAndValues) {
    for (const PlistFormat format : {PlistFormat::Xml, PlistFormat::Binary}) {
        const QByteArray bytes = writePropertyList(sampleRoot(), format);
        const auto parsed = readPropertyList(bytes);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->format, format);
        EXPECT_EQ(parsed->root, sampleRoot());
        const PlistDictionary& root = *parsed->root.asDictionary();
        EXPECT_EQ(root.find("tilesize")->type(), PlistValue::Type::Integer);
        EXPECT_EQ(root.find("largesize")->type(), PlistValue::Type::Real) << "48.0 stays a real";
        EXPECT_EQ(root.find("magnification")->type(), PlistValue::Type::Boolean);
        EXPECT_EQ(*root.find("negative")->asInteger(), -5);
        EXPECT_EQ(root.entries().front().first, "zeta") << "entries keep their order";
    }
}

TEST(PropertyList, XmlIntegerRealAndBooleanAreDistinct) {
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>i</key><integer>48</integer><key>r</key><real>48</real><key>b</key><true/></dict></plist>)";
    const auto parsed = readPropertyList(xml);
    ASSERT_TRUE(parsed);
    const PlistDictionary& root = *parsed->root.asDictionary();
    EXPECT_TRUE(root.find("i")->asInteger());
    EXPECT_TRUE(root.find("r")->asReal());
    EXPECT_TRUE(root.find("b")->asBoolean());
    EXPECT_NE(*root.find("i"), *root.find("r"));
}

TEST(PropertyList, DamagedInputIsRefusedWithoutCrashing) {
    QString error;
    EXPECT_FALSE(readPropertyList(QByteArray(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(readPropertyList("not a plist at all"));

    for (const PlistFormat format : {PlistFormat::Xml, PlistFormat::Binary}) {
        const QByteArray good = writePropertyList(sampleRoot(), format);
        for (qsizetype length = 1; length < good.size(); length += 3) {
            // The XML reader forgives missing closing tags; a cut binary file has lost its offset table.
            const auto parsed = readPropertyList(good.left(length));
            if (format == PlistFormat::Binary) {
                EXPECT_FALSE(parsed) << "cut at " << length;
            }
        }
        QRandomGenerator random(42);
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes = good;
            for (int flip = 0; flip <= round % 3; ++flip) {
                bytes[random.bounded(static_cast<int>(bytes.size()))] =
                    static_cast<char>(random.bounded(256));
            }
            (void)readPropertyList(bytes); // must simply return
        }
    }

    QByteArray deep = "<plist version=\"1.0\">";
    for (int i = 0; i < 100'000; ++i) {
        deep += "<array>";
    }
    EXPECT_FALSE(readPropertyList(deep, &error));
    EXPECT_TRUE(error.contains("deeply"));

    PlistValue nested = PlistArray{};
    for (int i = 0; i < kMaximumPlistDepth + 10; ++i) {
        nested = PlistArray{nested};
    }
    EXPECT_FALSE(readPropertyList(writePropertyList(nested, PlistFormat::Binary)));
}

} // namespace
} // namespace tessly
