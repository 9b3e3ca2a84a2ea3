// The session-bus notification centre between real processes: another process and the poster itself hear
// every post with its types intact; signals of the wrong shape, from anyone on the bus, are dropped.
#include "adapter_test_support.h"
#include "platform/linux/dbus_notification_center_linux.h"
#include "support/recording_console.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::readToolLine;
using testing::RecordingConsole;
using testing::runEventsFor;
using testing::runEventsUntil;
using testing::startTool;

/// A name of this test process's own: the tests of other programs share the session bus and may post the
/// program's real names meanwhile.
QString ownName(const char* base) {
    return QString("%1.%2").arg(base).arg(QCoreApplication::applicationPid());
}

struct Heard {
    QString name;
    std::optional<QString> object;
    PlistDictionary userInfo;
};

/// Decodes a line of the tool's "listen" mode.
std::optional<Heard> parseHeard(const QByteArray& line) {
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 4 || parts.at(0) != "notification") {
        return std::nullopt;
    }
    auto userInfo = readPropertyList(QByteArray::fromBase64(parts.at(3)));
    if (!userInfo || !userInfo->root.isDictionary()) {
        return std::nullopt;
    }
    std::optional<QString> object;
    if (parts.at(2) != "-") {
        object = QString::fromUtf8(QByteArray::fromBase64(parts.at(2)));
    }
    return Heard{QString::fromUtf8(parts.at(1)), object, *userInfo->root.asDictionary()};
}

class DBusNotificationCenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        center = std::make_unique<DBusDistributedNotificationCenter>(console);
        if (!center->isConnected()) {
            GTEST_SKIP() << "no session bus; run the tests under dbus-run-session";
        }
    }
    void TearDown() override {
        if (listener.state() != QProcess::NotRunning) {
            listener.kill();
            listener.waitForFinished();
        }
    }
    /// Starts the tool listening for `count` posts of `name` and waits until it hears.
    void startListener(const QString& name, int count) {
        startTool(listener, {"listen", name, QString::number(count)});
        ASSERT_EQ(readToolLine(listener), "ready") << listener.readAllStandardError().toStdString();
    }
    std::vector<Heard> listenerHeard(std::size_t count) {
        std::vector<Heard> heard;
        while (heard.size() < count) {
            const QByteArray line = readToolLine(listener);
            const auto parsed = parseHeard(line);
            if (!parsed) {
                ADD_FAILURE() << "unexpected line from the listener: " << line.toStdString();
                break;
            }
            heard.push_back(*parsed);
        }
        return heard;
    }
    void observe(const QString& name) {
        center->addObserver(name, [this](const DistributedNotification& n) {
            heardHere.push_back({n.name, n.object, n.userInfo});
        });
    }

    RecordingConsole console;
    std::unique_ptr<DBusDistributedNotificationCenter> center;
    QProcess listener;
    std::vector<Heard> heardHere;
};

TEST_F(DBusNotificationCenterTest, APostReachesAnotherProcessAndThePosterWithItsTypesIntact) {
    const QString kFolderOffBadge = ownName("TSFolderOffBadge");
    startListener(kFolderOffBadge, 2);
    observe(kFolderOffBadge);
    const PlistDictionary userInfo{
        {"id", "3F2504E0-4F89-41D3-9A0C-0305E82C3301"},
        {"hide", true},
        {"size", 48},
        {"scale", 48.0},
        {"text", "48"},
        {"nested", PlistDictionary{{"list", PlistArray{PlistValue(1), PlistValue(false), PlistValue("x")}}}},
        {"bytes", QByteArray("\0\1\2", 3)},
        {"when", Date::fromTimeIntervalSinceReferenceDate(800'000'000.5)}};

    center->post(kFolderOffBadge, QStringLiteral("Ünïcode object"), userInfo);
    center->post(kFolderOffBadge);
    EXPECT_TRUE(heardHere.empty()) << "delivery comes from the event loop, never inside post()";

    const std::vector<Heard> there = listenerHeard(2);
    ASSERT_TRUE(runEventsUntil([&] { return heardHere.size() == 2; }));
    for (const std::vector<Heard>* heard : {&there, &std::as_const(heardHere)}) {
        ASSERT_EQ(heard->size(), 2u);
        EXPECT_EQ(heard->at(0).name, kFolderOffBadge);
        EXPECT_EQ(heard->at(0).object, QStringLiteral("Ünïcode object"));
        EXPECT_EQ(heard->at(0).userInfo, userInfo) << "Booleans, integers, reals and texts stay apart";
        EXPECT_EQ(heard->at(1).object, std::nullopt) << "no object is not an empty object";
        EXPECT_TRUE(heard->at(1).userInfo.isEmpty());
    }
    ASSERT_TRUE(runEventsUntil([&] { return listener.state() == QProcess::NotRunning; }));
    EXPECT_EQ(listener.exitCode(), 0);
}

TEST_F(DBusNotificationCenterTest, ObserversHearOnlyTheirNameAndNothingOnceRemoved) {
    const QString kThemeChanged = ownName("TSThemeChanged");
    const QString kPopupSettingsChanged = ownName("TSPopupSettingsChanged");
    const QString kCloseNonPinnedPopups = ownName("TSCloseNonPinnedPopups");
    int themes = 0;
    int popups = 0;
    int closes = 0;
    center->addObserver(kThemeChanged, [&](const DistributedNotification&) { ++themes; });
    const ObserverToken popupToken =
        center->addObserver(kPopupSettingsChanged, [&](const DistributedNotification&) { ++popups; });
    // An observer that removes another during delivery of the same post: the removed one is not called.
    ObserverToken second = 0;
    center->addObserver(kCloseNonPinnedPopups, [&](const DistributedNotification&) {
        ++closes;
        center->removeObserver(second);
    });
    second = center->addObserver(kCloseNonPinnedPopups, [&](const DistributedNotification&) { ++closes; });
    center->removeObserver(popupToken);

    center->post(kPopupSettingsChanged);
    center->post(kCloseNonPinnedPopups);
    center->post(kCloseNonPinnedPopups);
    center->post(kThemeChanged);
    ASSERT_TRUE(runEventsUntil([&] { return themes == 1; }));
    EXPECT_EQ(popups, 0);
    EXPECT_EQ(closes, 2) << "the first observer twice, the removed one never";
}

TEST_F(DBusNotificationCenterTest, SignalsOfTheWrongShapeFromAnyoneAreDropped) {
    const QString dbusSend = QStandardPaths::findExecutable("dbus-send");
    if (dbusSend.isEmpty()) {
        GTEST_SKIP() << "dbus-send is not installed";
    }
    const QString kHostile = ownName("TSHostile");
    startListener(kHostile, 1);
    observe(kHostile);
    auto bytes = [](const QByteArray& data) {
        QStringList values;
        for (const char c : data) {
            values << QString::number(static_cast<unsigned char>(c));
        }
        return "array:byte:" + values.join(',');
    };
    const QByteArray arrayRoot =
        writePropertyList(PlistValue(PlistArray{PlistValue(1)}), PlistFormat::Binary);
    const QByteArray good = writePropertyList(PlistValue(PlistDictionary{{"ok", true}}), PlistFormat::Binary);
    const QList<QStringList> signalArguments = {
        {"string:" + kHostile},
        {"int32:7", "boolean:false", "string:", bytes("x")},
        {"string:" + kHostile, "string:yes", "string:", bytes("x")},
        {"string:" + kHostile, "boolean:false", "string:", bytes("not a property list")},
        {"string:" + kHostile, "boolean:false", "string:", bytes(good.left(good.size() - 3))},
        {"string:" + kHostile, "boolean:false", "string:", bytes(arrayRoot)},
        {"string:" + kHostile, "boolean:false", "string:", bytes(good), "string:extra"},
        {"string:", "boolean:false", "string:", bytes(good)},
        // The one well-formed signal, sent last.
        {"string:" + kHostile, "boolean:true", "string:from a stranger", bytes(good)},
    };
    for (const QStringList& arguments : signalArguments) {
        const int status = QProcess::execute(
            dbusSend,
            QStringList{"--session", "--type=signal", kDistributedNotificationsPath,
                        QString(kDistributedNotificationsInterface) + '.' + kDistributedNotificationsMember} +
                arguments);
        ASSERT_EQ(status, 0) << arguments.join(' ').toStdString();
    }

    const std::vector<Heard> there = listenerHeard(1);
    ASSERT_EQ(there.size(), 1u);
    EXPECT_EQ(there.front().object, QStringLiteral("from a stranger"));
    EXPECT_EQ(there.front().userInfo, (PlistDictionary{{"ok", true}}));
    ASSERT_TRUE(runEventsUntil([&] { return listener.state() == QProcess::NotRunning; }));
    EXPECT_EQ(listener.exitStatus(), QProcess::NormalExit) << "alive after the malformed ones, and done";
    EXPECT_EQ(listener.exitCode(), 0);

    ASSERT_TRUE(runEventsUntil([&] { return !heardHere.empty(); }));
    runEventsFor(100);
    ASSERT_EQ(heardHere.size(), 1u);
    EXPECT_EQ(heardHere.front().object, QStringLiteral("from a stranger"));
}

TEST(DistributedNotificationDecoding, UserInformationThatIsNotASmallDictionaryIsRefused) {
    const QByteArray dictionary =
        writePropertyList(PlistValue(PlistDictionary{{"id", "x"}}), PlistFormat::Xml);
    EXPECT_TRUE(decodeDistributedNotification("TSX", false, "", dictionary)) << "XML reads as well as binary";
    EXPECT_EQ(decodeDistributedNotification("TSX", false, "ignored", {})->object, std::nullopt);

    PlistValue deep = PlistDictionary{};
    for (int i = 0; i < kMaximumPlistDepth + 8; ++i) {
        deep = PlistValue(PlistArray{std::move(deep)});
    }
    const QByteArray tooDeep =
        writePropertyList(PlistValue(PlistDictionary{{"deep", deep}}), PlistFormat::Binary);
    EXPECT_FALSE(decodeDistributedNotification("TSX", false, "", tooDeep));

    const QByteArray large = writePropertyList(
        PlistValue(PlistDictionary{{"blob", QByteArray(kMaximumUserInfoBytes, 'x')}}), PlistFormat::Binary);
    EXPECT_FALSE(decodeDistributedNotification("TSX", false, "", large));
}

TEST(DBusNotificationCenterWithoutBus, SaysSoOnceAndPostsNothing) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tessly-no-bus");
    QProcess tool;
    startTool(tool, {"post-without-bus"}, environment);
    ASSERT_TRUE(tool.waitForFinished(20'000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QList<QByteArray> lines = tool.readAllStandardOutput().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2) << "one console line, then the tool's own";
    EXPECT_TRUE(lines.at(0).startsWith("[DistributedNotifications] No session bus"));
    EXPECT_EQ(lines.at(1), "connected=0") << "and no observer heard the post";
}

} // namespace
} // namespace tessly
