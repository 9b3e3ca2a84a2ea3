// The Dock tile on the session bus, heard by a second connection as the Dock would hear it: one signal per
// display() with the bundle's resolved path, the process and the tile as PNG; the pixels of an image view
// and of a badge drawn with a real symbol.
#include "gui_test_support.h"
#include "platform/linux/dock_tile_linux.h"
#include "platform/linux/symbol_images_linux.h"
#include "support/virtual_time.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;
using testing::SolidImage;

/// The Dock's side: the TileContentChanged signals of this process, on a bus connection of its own.
class DockListener final : public QObject {
    Q_OBJECT

public:
    DockListener() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "tessly-dock")) {
        m_bus.connect(QString(), kDockTilePath, kDockTileInterface, kDockTileContentChangedMember, this,
                      SLOT(receive(QDBusMessage)));
        // The match rule reaches the bus with the next call that waits for an answer.
        (void)m_bus.interface()->isServiceRegistered(m_bus.baseService());
    }
    ~DockListener() override { QDBusConnection::disconnectFromBus("tessly-dock"); }

    QList<QDBusMessage> received;

public slots:
    void receive(const QDBusMessage& message) {
        // Tests in other processes share the session bus: only this process's tiles count.
        if (message.service() == QDBusConnection::sessionBus().baseService()) {
            received.append(message);
        }
    }

private:
    QDBusConnection m_bus;
};

class DockTileBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(root.filePath("Folder.app")));
        // The tile is made through a link; the Dock lists the bundle at its real path.
        ASSERT_TRUE(QFile::link(root.filePath("Folder.app"), root.filePath("Alias.app")));
        tilePointer = std::make_unique<LinuxDockTile>(root.filePath("Alias.app"), time);
    }

    /// display(), and the tile's image as the Dock decodes the signal.
    QImage displayAndReceive(LinuxDockTile& tile) {
        const qsizetype before = listener.received.size();
        tile.display();
        if (!runEventsUntil([&] { return listener.received.size() > before; })) {
            ADD_FAILURE() << "no signal (run under dbus-run-session)";
            return {};
        }
        const QDBusMessage& message = listener.received.at(before);
        EXPECT_EQ(message.signature(), "sxay");
        EXPECT_EQ(message.arguments().value(0).toString(),
                  QFileInfo(root.filePath("Folder.app")).canonicalFilePath());
        EXPECT_EQ(message.arguments().value(1).toLongLong(), QCoreApplication::applicationPid());
        const QImage image = QImage::fromData(message.arguments().value(2).toByteArray(), "PNG");
        EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32),
                  tile.lastPublishedImageForTesting().convertToFormat(QImage::Format_ARGB32));
        return image.convertToFormat(QImage::Format_ARGB32);
    }

    /// Sends a marker on this process's connection and waits until the Dock has heard it: whatever the tile
    /// published before has arrived too. The tiles among what arrived since `from`.
    qsizetype tilesSince(qsizetype from) {
        QDBusMessage marker =
            QDBusMessage::createSignal(kDockTilePath, kDockTileInterface, kDockTileContentChangedMember);
        EXPECT_TRUE(QDBusConnection::sessionBus().send(marker << QStringLiteral("marker")));
        EXPECT_TRUE(runEventsUntil([&] {
            return listener.received.size() > from &&
                   listener.received.last().arguments().value(0).toString() == "marker";
        }));
        qsizetype tiles = 0;
        for (qsizetype i = from; i < listener.received.size(); ++i) {
            tiles += listener.received.at(i).arguments().size() == 3 ? 1 : 0;
        }
        return tiles;
    }

    testing::VirtualTime time;
    QTemporaryDir root;
    DockListener listener;
    std::unique_ptr<LinuxDockTile> tilePointer;
    LinuxDockTile& tile() { return *tilePointer; }
};

TEST_F(DockTileBusTest, ImageViewArrivesOncePerDisplayAtTheTileSize) {
    tile().setContent(
        {tile().size(), DockTileImageView{std::make_shared<SolidImage>(QSizeF(512, 256), Qt::red)}});
    const QImage image = displayAndReceive(tile());
    ASSERT_EQ(image.size(), QSize(128, 128));
    // Fitted with its aspect kept: a band across the middle.
    EXPECT_EQ(image.pixel(64, 64), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(image.pixel(64, 16)) + qAlpha(image.pixel(64, 112)), 0);

    // setContent alone sends nothing: a marker sent after it on the same connection comes next.
    tile().setSize(QSizeF(64, 48));
    tile().setContent(
        {tile().size(), DockTileImageView{std::make_shared<SolidImage>(QSizeF(8, 8), Qt::blue)}});
    QDBusMessage marker =
        QDBusMessage::createSignal(kDockTilePath, kDockTileInterface, kDockTileContentChangedMember);
    ASSERT_TRUE(QDBusConnection::sessionBus().send(marker << QStringLiteral("marker")));
    ASSERT_TRUE(runEventsUntil([&] { return listener.received.size() >= 2; }));
    EXPECT_EQ(listener.received.at(1).arguments().value(0).toString(), "marker");
    EXPECT_EQ(displayAndReceive(tile()).size(), QSize(64, 48));
}

// The Dock's size signal is a broadcast any process of the session can send by the thousand; each display
// draws up to 1,024 pixels square and broadcasts them. A flood of sizes is answered by one tile, at the last
// size, once the queue runs after them.
TEST_F(DockTileBusTest, AFloodOfSizesIsAnsweredByOneTileAtTheLastSize) {
    tile().setContent(
        {tile().size(), DockTileImageView{std::make_shared<SolidImage>(QSizeF(8, 8), Qt::red)}});
    (void)displayAndReceive(tile());
    QDBusConnection dock = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "tessly-sizes");
    const QString bundle = QFileInfo(root.filePath("Folder.app")).canonicalFilePath();
    constexpr int kSizes = 2000;
    const qsizetype beforeSizes = listener.received.size();
    for (int side = 1; side <= kSizes; ++side) {
        QDBusMessage size =
            QDBusMessage::createSignal(kDockTilePath, kDockTileInterface, kDockTileSizeChangedMember);
        // At 0.05 pixels per point, the last is drawn 100 pixels square.
        ASSERT_TRUE(dock.send(size << bundle << static_cast<double>(side) << 0.05));
    }
    EXPECT_TRUE(runEventsUntil([&] { return tile().size() == QSizeF(kSizes, kSizes); }));
    EXPECT_EQ(tilesSince(beforeSizes), 0) << "nothing is drawn while the sizes arrive";

    const qsizetype afterSizes = listener.received.size();
    time.runDue();
    EXPECT_EQ(tilesSince(afterSizes), 1);
    EXPECT_EQ(tile().lastPublishedImageForTesting().size(), QSize(100, 100));
    QDBusConnection::disconnectFromBus("tessly-sizes");
}

TEST_F(DockTileBusTest, BadgeArrivesAsABlackPlateWithTheTintedSymbol) {
    const LinuxSymbolImages symbols(TESSLY_SOURCE_DIR "/resources/symbols.tsv", TESSLY_SYMBOL_FONT);
    // The badge of a 128-point tile: plate inset 11 with radius 23.85, the symbol 83.2 points in the middle.
    DockTileBadgeView badge;
    badge.plateFrame = QRectF(11, 11, 106, 106);
    badge.plateCornerRadius = 23.85;
    badge.symbolFrame = QRectF(22.4, 22.4, 83.2, 83.2);
    badge.symbol = symbols.symbol("checkmark.circle", 83.2, SymbolWeight::bold);
    ASSERT_NE(badge.symbol, nullptr);
    const QColor tint(40, 205, 65);
    badge.symbolTint = tint;
    tile().setContent({QSizeF(128, 128), badge});

    const QImage image = displayAndReceive(tile());
    ASSERT_EQ(image.size(), QSize(128, 128));
    // Black just inside each rounded corner, nothing in the corner it cuts off.
    for (const auto& [x, y] : {std::pair{20, 20}, {107, 20}, {20, 107}, {107, 107}}) {
        EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0)) << x << ", " << y;
        EXPECT_EQ(qAlpha(image.pixel(x < 64 ? 12 : 115, y < 64 ? 12 : 115)), 0) << x << ", " << y;
    }
    // The circle's left side is in the tint, and every tinted pixel lies in the symbol's frame.
    EXPECT_EQ(image.pixel(31, 64), tint.rgb());
    int tinted = 0;
    for (int i = 0; i < 128 * 128; ++i) {
        if (image.pixel(i % 128, i / 128) == tint.rgb()) {
            ++tinted;
            EXPECT_TRUE(QRect(22, 22, 85, 85).contains(i % 128, i / 128)) << i % 128 << ", " << i / 128;
        }
    }
    EXPECT_GT(tinted, 1000);
}

} // namespace
} // namespace tessly

#include "dock_tile_bus_test.moc"
