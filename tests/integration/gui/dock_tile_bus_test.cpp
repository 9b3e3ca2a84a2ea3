// The Dock tile on the session bus, heard by a second connection as the Dock would hear it: one signal per
// display() with the bundle's resolved path, the process and the tile as PNG; the pixels of an image view
// and of a badge drawn with a real symbol; the size the Dock gives.
#include "gui_test_support.h"
#include "platform/linux/dock_tile_linux.h"
#include "platform/linux/symbol_images_linux.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::runEventsUntil;
using testing::SolidImage;

/// What the Dock receives: every TileContentChanged signal on its own bus connection.
class DockListener final : public QObject {
    Q_OBJECT

public:
    DockListener()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "tessly-dock-listener")) {
        m_bus.connect(QString(), kDockTilePath, kDockTileInterface, kDockTileContentChangedMember, this,
                      SLOT(receive(QDBusMessage)));
        // The match rule reaches the bus with the next call that waits for an answer.
        (void)m_bus.interface()->isServiceRegistered(m_bus.baseService());
    }
    ~DockListener() override { QDBusConnection::disconnectFromBus("tessly-dock-listener"); }

    [[nodiscard]] bool isConnected() const { return m_bus.isConnected(); }

    QList<QDBusMessage> received;

public slots:
    void receive(const QDBusMessage& message) { received.append(message); }

private:
    QDBusConnection m_bus;
};

struct PublishedTile {
    QString bundlePath;
    qint64 processIdentifier = 0;
    QImage image;
};

class DockTileBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(listener.isConnected()) << "run under dbus-run-session";
        ASSERT_TRUE(QDir().mkpath(root.filePath("Folder.app")));
        // The tile is made through a link; the Dock lists the bundle at its real path.
        ASSERT_TRUE(QFile::link(root.filePath("Folder.app"), root.filePath("Alias.app")));
        bundle = QFileInfo(root.filePath("Folder.app")).canonicalFilePath();
    }

    /// display(), and the signal it sent as the Dock decodes it.
    PublishedTile displayAndReceive(LinuxDockTile& tile) {
        const qsizetype before = listener.received.size();
        tile.display();
        EXPECT_TRUE(runEventsUntil([&] { return listener.received.size() > before; }));
        if (listener.received.size() <= before) {
            return {};
        }
        const QDBusMessage& message = listener.received.at(before);
        EXPECT_EQ(message.signature(), "sxay");
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() != 3) {
            ADD_FAILURE() << "arguments: " << arguments.size();
            return {};
        }
        PublishedTile published{arguments.at(0).toString(), arguments.at(1).toLongLong(), {}};
        published.image.loadFromData(arguments.at(2).toByteArray(), "PNG");
        return published;
    }

    QTemporaryDir root;
    DockListener listener;
    QString bundle;
};

TEST_F(DockTileBusTest, ImageViewArrivesWithTheBundleAndProcess) {
    LinuxDockTile tile(root.filePath("Alias.app"));
    EXPECT_EQ(tile.size(), QSizeF(kDefaultDockTileSide, kDefaultDockTileSide));
    EXPECT_TRUE(tile.lastPublishedImageForTesting().isNull());
    tile.setContent(
        {tile.size(), DockTileImageView{std::make_shared<SolidImage>(QSizeF(512, 256), Qt::red)}});

    const PublishedTile published = displayAndReceive(tile);
    EXPECT_EQ(published.bundlePath, bundle);
    EXPECT_EQ(published.processIdentifier, QCoreApplication::applicationPid());
    ASSERT_EQ(published.image.size(), QSize(128, 128));
    EXPECT_EQ(published.image.convertToFormat(QImage::Format_ARGB32),
              tile.lastPublishedImageForTesting().convertToFormat(QImage::Format_ARGB32));
    // Fitted with its aspect kept: a band across the middle.
    EXPECT_EQ(published.image.pixel(64, 64), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(published.image.pixel(64, 16)), 0);
    EXPECT_EQ(qAlpha(published.image.pixel(64, 112)), 0);

    // setContent alone publishes nothing. A marker sent after it on the tile's own connection arrives after
    // anything the tile sent before it.
    tile.setContent({tile.size(), DockTileImageView{std::make_shared<SolidImage>(QSizeF(64, 64), Qt::blue)}});
    QDBusMessage marker =
        QDBusMessage::createSignal(kDockTilePath, kDockTileInterface, kDockTileContentChangedMember);
    marker << QStringLiteral("marker");
    ASSERT_TRUE(QDBusConnection::sessionBus().send(marker));
    ASSERT_TRUE(runEventsUntil([&] { return listener.received.size() >= 2; }));
    EXPECT_EQ(listener.received.at(1).arguments().value(0).toString(), "marker");
    EXPECT_EQ(displayAndReceive(tile).image.pixel(64, 16), qRgb(0, 0, 255));
    EXPECT_EQ(listener.received.size(), 3);
}

TEST_F(DockTileBusTest, BadgeArrivesAsABlackPlateWithTheTintedSymbol) {
    const LinuxSymbolImages symbols(QStringLiteral(TESSLY_SOURCE_DIR "/resources/symbols.tsv"),
                                    QStringLiteral(TESSLY_SYMBOL_FONT));
    LinuxDockTile tile(bundle);
    // The badge of a 128-point tile: plate inset 11 with radius 23.85, the symbol 83.2 points in the middle.
    DockTileBadgeView badge;
    badge.plateFrame = QRectF(11, 11, 106, 106);
    badge.plateCornerRadius = 23.85;
    badge.symbolFrame = QRectF(22.4, 22.4, 83.2, 83.2);
    badge.symbol = symbols.symbol("checkmark.circle", 83.2, SymbolWeight::bold);
    ASSERT_NE(badge.symbol, nullptr);
    const QColor tint(40, 205, 65);
    badge.symbolTint = tint;
    tile.setContent({QSizeF(128, 128), badge});

    const QImage image = displayAndReceive(tile).image.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(128, 128));
    // Black just inside each rounded corner, nothing in the corner it cuts off.
    for (const auto& [x, y] : {std::pair{20, 20}, {107, 20}, {20, 107}, {107, 107}}) {
        EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0)) << x << ", " << y;
    }
    for (const auto& [x, y] : {std::pair{12, 12}, {115, 12}, {12, 115}, {115, 115}}) {
        EXPECT_EQ(qAlpha(image.pixel(x, y)), 0) << x << ", " << y;
    }
    // The circle's left side lies in the tint; every tinted pixel lies in the symbol's frame.
    EXPECT_EQ(image.pixel(31, 64), tint.rgb());
    int tinted = 0;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            if (image.pixel(x, y) == tint.rgb()) {
                ++tinted;
                EXPECT_TRUE(QRect(22, 22, 85, 85).contains(x, y)) << x << ", " << y;
            }
        }
    }
    EXPECT_GT(tinted, 1000);
}

TEST_F(DockTileBusTest, TileIsDrawnAtTheSizeTheDockGives) {
    LinuxDockTile tile(bundle);
    tile.setSize(QSizeF(64, 48));
    tile.setSize(QSizeF());
    tile.setSize(QSizeF(std::numeric_limits<double>::infinity(), 10));
    EXPECT_EQ(tile.size(), QSizeF(64, 48));
    tile.setContent({tile.size(), DockTileImageView{std::make_shared<SolidImage>(QSizeF(8, 8), Qt::red)}});
    EXPECT_EQ(displayAndReceive(tile).image.size(), QSize(64, 48));

    // A size far beyond any Dock's is drawn at the largest the tile publishes.
    tile.setSize(QSizeF(1e6, 1e6));
    EXPECT_EQ(displayAndReceive(tile).image.size(), QSize(kMaximumDockTilePixels, kMaximumDockTilePixels));
}

} // namespace
} // namespace tessly

#include "dock_tile_bus_test.moc"
