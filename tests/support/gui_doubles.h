// Doubles for programs that draw: test images that say what they are, symbols and workspace icons that a test
// controls, a Dock tile that records its content, and a tile canvas that records what a recipe draws.
//
//     FakeSymbolImages symbols;                      // knows "folder.fill" and the three badge symbols
//     FakeWorkspaceIcons icons;
//     RecordingDockTile tile;
//     ... manager.refreshTile(); time.runDue();
//     const auto* view = std::get_if<DockTileImageView>(&tile.contents.back().view);
//
// Main thread only, like the ports they stand in for.
#pragma once

#include "platform/gui/dock_tile.h"
#include "platform/gui/image.h"
#include "platform/gui/symbol_images.h"
#include "platform/gui/workspace_icons.h"
#include "tile/tile_canvas.h"

#include <QFont>
#include <QHash>
#include <QList>
#include <QPainter>
#include <QSet>
#include <QStringList>
#include <memory>

namespace tessly::testing {

/// An image that draws a solid square of one colour, or (as a template symbol) a black disc filling its
/// target.
class TestImage final : public Image {
public:
    enum class Shape { square, disc };

    TestImage(QString name, QColor color, QSizeF size, Shape shape)
        : m_name(std::move(name)), m_color(color), m_size(size), m_shape(shape) {}

    [[nodiscard]] QSizeF size() const override { return m_size; }
    void draw(QPainter& painter, const QRectF& target) const override {
        painter.save();
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_color);
        if (m_shape == Shape::disc) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.drawEllipse(target);
        } else {
            painter.drawRect(target);
        }
        painter.restore();
    }

    [[nodiscard]] const QString& name() const { return m_name; }

private:
    QString m_name;
    QColor m_color;
    QSizeF m_size;
    Shape m_shape;
};

/// The test name of an image, or an empty text for any other image.
[[nodiscard]] inline QString testImageName(const Image* image) {
    const auto* test = dynamic_cast<const TestImage*>(image);
    return test ? test->name() : QString();
}

/// Symbols by name: each known name gives a black disc of the asked point size; every request is kept.
class FakeSymbolImages final : public SymbolImages {
public:
    struct Request {
        QString name;
        double pointSize = 0;
        SymbolWeight weight = SymbolWeight::regular;
    };

    [[nodiscard]] ImagePtr symbol(const QString& name, double pointSize, SymbolWeight weight) const override {
        requests.append({name, pointSize, weight});
        if (!known.contains(name)) {
            return nullptr;
        }
        return std::make_shared<TestImage>(name, Qt::black, QSizeF(pointSize, pointSize),
                                           TestImage::Shape::disc);
    }

    QSet<QString> known{QStringLiteral("folder.fill"), QStringLiteral("nosign"),
                        QStringLiteral("xmark.circle"), QStringLiteral("checkmark.circle")};
    mutable QList<Request> requests;
};

/// Icons by path, a solid square per path (grey unless the test gives a colour); records lookups and the
/// custom icons set.
class FakeWorkspaceIcons final : public WorkspaceIcons {
public:
    struct IconWrite {
        /// The image written; valid while its owner keeps it (the tile manager keeps its last image).
        const Image* image = nullptr;
        QString path;
    };

    [[nodiscard]] ImagePtr iconForFile(const QString& path) const override {
        lookups.append(path);
        return std::make_shared<TestImage>(path, colors.value(path, Qt::gray), QSizeF(128, 128),
                                           TestImage::Shape::square);
    }
    bool setIcon(const Image& image, const QString& path) override {
        writes.append({&image, path});
        return setIconSucceeds;
    }

    QHash<QString, QColor> colors;
    bool setIconSucceeds = true;
    mutable QStringList lookups;
    QList<IconWrite> writes;
};

/// A Dock tile of a size the test sets, keeping every content it was given.
class RecordingDockTile final : public DockTile {
public:
    [[nodiscard]] QSizeF size() const override { return tileSize; }
    void setContent(DockTileContent content) override { contents.append(std::move(content)); }
    void display() override { ++displayCount; }

    QSizeF tileSize{128, 128};
    QList<DockTileContent> contents;
    int displayCount = 0;
};

/// One drawing operation as a tile recipe issued it, in canvas coordinates (y up).
struct CanvasOperation {
    enum class Kind { fill, stroke, image, tintedImage, text };

    Kind kind = Kind::fill;
    QRectF rect;
    double radius = 0;
    PlateFill fill;
    QColor color;
    double lineWidth = 0;
    const Image* image = nullptr;
    QString text;
    QFont font;
};

/// Records what is drawn; text measures as `textSize`, whatever the text and font.
class RecordingTileCanvas final : public TileCanvas {
public:
    void fillRoundedRect(const QRectF& rect, double radius, const PlateFill& fill) override {
        CanvasOperation op;
        op.kind = CanvasOperation::Kind::fill;
        op.rect = rect;
        op.radius = radius;
        op.fill = fill;
        operations.append(op);
    }
    void strokeRoundedRect(const QRectF& rect, double radius, const QColor& color,
                           double lineWidth) override {
        CanvasOperation op;
        op.kind = CanvasOperation::Kind::stroke;
        op.rect = rect;
        op.radius = radius;
        op.color = color;
        op.lineWidth = lineWidth;
        operations.append(op);
    }
    void drawImage(const Image& image, const QRectF& rect) override {
        CanvasOperation op;
        op.kind = CanvasOperation::Kind::image;
        op.rect = rect;
        op.image = &image;
        operations.append(op);
    }
    void drawTintedImage(const Image& templateImage, const QRectF& rect, const QColor& tint) override {
        CanvasOperation op;
        op.kind = CanvasOperation::Kind::tintedImage;
        op.rect = rect;
        op.image = &templateImage;
        op.color = tint;
        operations.append(op);
    }
    [[nodiscard]] QSizeF measureText(const QString&, const QFont&) const override { return textSize; }
    void drawText(const QString& text, const QFont& font, const QColor& color, const QRectF& rect) override {
        CanvasOperation op;
        op.kind = CanvasOperation::Kind::text;
        op.rect = rect;
        op.text = text;
        op.font = font;
        op.color = color;
        operations.append(op);
    }

    /// The operations of one kind, in order.
    [[nodiscard]] QList<CanvasOperation> ofKind(CanvasOperation::Kind kind) const {
        QList<CanvasOperation> found;
        for (const CanvasOperation& op : operations) {
            if (op.kind == kind) {
                found.append(op);
            }
        }
        return found;
    }

    QSizeF textSize{100, 50};
    QList<CanvasOperation> operations;
};

} // namespace tessly::testing
