#include "platform/property_list.h"
#include "support/binary_plist_builder.h"
#include "support/scoped_locale.h"
#include "support/xml_reader.h"

#include <QDir>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::BinaryPlistBuilder;
using testing::doublingLevels;

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

std::size_t leafCount(const PlistValue& value) {
    const PlistArray* items = value.asArray();
    if (!items) {
        return 1;
    }
    std::size_t count = 0;
    for (const PlistValue& item : *items) {
        count += leafCount(item);
    }
    return count;
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

// A list of a few hundred bytes must not be able to cost more than a little memory and time, in any process
// that reads it: an Info.plist, a preferences file, or a broadcast from anyone in the session.
TEST(PropertyList, SharedObjectsExpandOnlyAsFarAsTheListsSizeExplains) {
    // Real lists share their keys and small values: a few levels of sharing read as the tree they mean.
    const auto shared = readPropertyList(doublingLevels(8));
    ASSERT_TRUE(shared);
    EXPECT_EQ(leafCount(shared->root), 256U);

    // Forty levels are 400 bytes and a tree of 2^40 leaves: refused before any of it is built.
    QString error;
    EXPECT_FALSE(readPropertyList(doublingLevels(40), &error));
    EXPECT_TRUE(error.contains("expands")) << error.toStdString();

    // The same with a dictionary whose keys and values are all one long text.
    BinaryPlistBuilder plist;
    const std::uint32_t text = plist.add(QByteArray("\x5F\x11\x10\x00", 4) + QByteArray(4096, 'x'));
    std::vector<std::uint32_t> refs(2, text);
    std::uint32_t top = plist.add(BinaryPlistBuilder::container(refs, 0xD0));
    for (int level = 0; level < 20; ++level) {
        top = plist.add(BinaryPlistBuilder::container({top, top, top}));
    }
    EXPECT_FALSE(readPropertyList(plist.build(top)));
}

TEST(PropertyList, NestingIsBoundedInBothFormatsWhateverHidesIt) {
    // A binary list nested 100,000 deep: refused without recursing into it.
    BinaryPlistBuilder deep;
    std::uint32_t inner = deep.add(BinaryPlistBuilder::integer(1));
    for (int level = 0; level < 100'000; ++level) {
        inner = deep.add(BinaryPlistBuilder::container({inner}));
    }
    QString error;
    EXPECT_FALSE(readPropertyList(deep.build(inner), &error));
    EXPECT_TRUE(error.contains("deeply")) << error.toStdString();

    // One subtree shared between a shallow and a deep place nests as deep as the deep place.
    BinaryPlistBuilder sharedDeep;
    std::uint32_t subtree = sharedDeep.add(BinaryPlistBuilder::integer(1));
    for (int level = 0; level < kMaximumPlistDepth - 10; ++level) {
        subtree = sharedDeep.add(BinaryPlistBuilder::container({subtree}));
    }
    std::uint32_t path = subtree;
    for (int level = 0; level < 20; ++level) {
        path = sharedDeep.add(BinaryPlistBuilder::container({path}));
    }
    EXPECT_FALSE(
        readPropertyList(sharedDeep.build(sharedDeep.add(BinaryPlistBuilder::container({subtree, path})))));

    // A list that contains itself.
    BinaryPlistBuilder cycle;
    cycle.add(BinaryPlistBuilder::container({1}));
    cycle.add(BinaryPlistBuilder::container({0}));
    EXPECT_FALSE(readPropertyList(cycle.build(0)));

    // XML: closing tags inside a comment do not make room for deeper nesting ...
    QByteArray hidden = "<plist version=\"1.0\"><!-- ";
    for (int i = 0; i < 200'000; ++i) {
        hidden += "</array>";
    }
    hidden += " -->";
    for (int i = 0; i < 200'000; ++i) {
        hidden += "<array>";
    }
    EXPECT_FALSE(readPropertyList(hidden, &error));
    EXPECT_TRUE(error.contains("deeply")) << error.toStdString();
    // ... and markup inside comments, character data and processing instructions does not count.
    QByteArray quiet = "<?xml version=\"1.0\"?><plist version=\"1.0\"><!-- ";
    for (int i = 0; i < 1000; ++i) {
        quiet += "<array>";
    }
    quiet += " --><array><string><![CDATA[<dict><dict><dict>]]></string><?note <dict>?></array></plist>";
    const auto parsed = readPropertyList(quiet, &error);
    ASSERT_TRUE(parsed) << error.toStdString();
    EXPECT_EQ(parsed->root, PlistValue(PlistArray{PlistValue("<dict><dict><dict>")}));
}

TEST(PropertyList, RealDockPreferencesPassTheLimits) {
    const QDir fixtures(QStringLiteral(TESSLY_SOURCE_DIR "/tests/fixtures/dock"));
    const QStringList files = fixtures.entryList({"*.plist"}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QString error;
        EXPECT_TRUE(readPropertyListFile(fixtures.filePath(name), &error))
            << name.toStdString() << ": " << error.toStdString();
    }
}

TEST(PropertyList, ADictionaryOfManyKeysKeepsTheLastValueOfARepeatedKey) {
    BinaryPlistBuilder plist;
    std::vector<std::uint32_t> keys;
    std::vector<std::uint32_t> values;
    for (int i = 0; i < 3; ++i) {
        keys.push_back(plist.add(QByteArray("\x51") + char('a' + i)));
        values.push_back(plist.add(BinaryPlistBuilder::integer(static_cast<std::uint8_t>(i))));
    }
    keys.push_back(keys.front()); // "a" again
    values.push_back(plist.add(BinaryPlistBuilder::integer(9)));
    std::vector<std::uint32_t> refs = keys;
    refs.insert(refs.end(), values.begin(), values.end());
    const auto parsed = readPropertyList(plist.build(plist.add(BinaryPlistBuilder::container(refs, 0xD0))));
    ASSERT_TRUE(parsed);
    const PlistDictionary& root = *parsed->root.asDictionary();
    ASSERT_EQ(root.size(), 3U);
    EXPECT_EQ(root.entries().front().first, "a");
    EXPECT_EQ(*root.find("a")->asInteger(), 9);
}

TEST(PropertyList, XmlRealsReadAndWriteWithAPointUnderADecimalCommaLocale) {
    testing::ScopedProcessLocale ukrainian("uk_UA.UTF-8");
    ASSERT_TRUE(ukrainian.isActive()) << "uk_UA.UTF-8 is not installed: run scripts/install-deps";
    const auto parsed = readPropertyList(R"(<plist version="1.0"><array><real>0.8</real></array></plist>)");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed->root.asArray()->front().asReal(), 0.8);
    const QByteArray written = writePropertyList(PlistArray{PlistValue(0.25)}, PlistFormat::Xml);
    EXPECT_TRUE(written.contains("<real>0.25")) << written.toStdString();
}

// XML 1.0 cannot hold most control characters, U+FFFE, U+FFFF or a lone surrogate, not even as character
// references; libplist takes texts as C strings, which end at the first NUL, in either format.
TEST(PropertyList, AWrittenListIsOneEveryReaderAcceptsAndNoTextEndsAtANul) {
    ASSERT_TRUE(testing::hasXmlReader()) << "xmllint is not installed: run scripts/install-deps";
    QString awkward = QStringLiteral("a\u0001b\tc\nd");
    awkward += QChar(0);
    awkward += QStringLiteral("e\u001Ff");
    awkward += QChar(0xFFFE);
    awkward += QChar(0xD800); // a high surrogate with no low one after it
    awkward += QStringLiteral("g\u202Eh\u0085i\U0001F4C1");
    const PlistValue root = PlistDictionary{{"name", awkward}, {"key\u0002" + awkward, 1}};

    const QByteArray xml = writePropertyList(root, PlistFormat::Xml);
    EXPECT_EQ(testing::xmlReaderComplaint(xml).toStdString(), "") << xml.toStdString();
    const auto fromXml = readPropertyList(xml);
    ASSERT_TRUE(fromXml);
    const QString kept = QStringLiteral("ab\tc\ndefg\u202Eh\u0085i\U0001F4C1");
    EXPECT_EQ(fromXml->root, PlistValue(PlistDictionary{{"name", kept}, {"key" + kept, 1}}));

    const auto fromBinary = readPropertyList(writePropertyList(root, PlistFormat::Binary));
    ASSERT_TRUE(fromBinary);
    QString binaryKept = QStringLiteral("a\u0001b\tc\nde\u001Ff");
    binaryKept += QChar(0xFFFE);
    binaryKept += QStringLiteral("g\u202Eh\u0085i\U0001F4C1");
    EXPECT_EQ(fromBinary->root,
              PlistValue(PlistDictionary{{"name", binaryKept}, {"key\u0002" + binaryKept, 1}}));
}

} // namespace
} // namespace tessly
