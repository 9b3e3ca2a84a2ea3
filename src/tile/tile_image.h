// The Dock tile's image as a recipe: the Dock redraws the tile at its own size, so the image is the list of
// drawing steps (plate, border, glyph or icon grid) on a 512 x 512 canvas with y pointing up, run again at
// every draw.
//
//     TileRecipe recipe{folder.tileStyle, folder.emoji, glyphSymbol, appIcons};
//     auto image = std::make_shared<TileImage>(std::move(recipe), [] { return TileDrawSettings{4.0, theme};
//     }); QImage pixels = rasterize(*image, QSize(512, 512));     // or image->drawOn(recordingCanvas) in a
//     test
//
// The recipe holds copies of the folder's glyph and style and the images it shows; the icon padding and the
// theme are asked for at each draw, so a change of the settings shows at the next redraw. Main thread only.
#pragma once

#include "model/app_folder.h"
#include "model/enumerations.h"
#include "platform/gui/image.h"
#include "platform/gui/symbol_images.h"
#include "platform/gui/workspace_icons.h"
#include "tile/tile_canvas.h"
#include "tile/tile_geometry.h"

#include <QList>
#include <QString>
#include <functional>

namespace tessly {

/// What a tile image shows, fixed when the image is made.
struct TileRecipe {
    TileStyleSettings style;
    /// The folder's glyph text, drawn as text when `glyphSymbol` is absent.
    QString glyph;
    /// The glyph's symbol, configured at the glyph's point size; absent when the glyph names no symbol.
    ImagePtr glyphSymbol;
    /// The icons of the folder's first applications, in folder order (at most four are drawn).
    QList<ImagePtr> appIcons;
};

/// The application settings a tile reads each time it is drawn.
struct TileDrawSettings {
    double tileIconPadding = 0;
    AppThemeMode appTheme = AppThemeMode::dark;
};

/// Runs the recipe onto `canvas`, in order: the plate's fill, the border, then the glyph or the icon grid.
void drawTile(TileCanvas& canvas, const TileRecipe& recipe, const TileDrawSettings& settings);

class TileImage final : public Image {
public:
    using SettingsSource = std::function<TileDrawSettings()>;

    TileImage(TileRecipe recipe, SettingsSource settings);

    [[nodiscard]] QSizeF size() const override { return kTileCanvasSize; }
    void draw(QPainter& painter, const QRectF& target) const override;

    /// Runs the recipe onto any canvas of the tile's size, with the settings as they are now.
    void drawOn(TileCanvas& canvas) const;

    [[nodiscard]] const TileRecipe& recipe() const { return m_recipe; }

private:
    TileRecipe m_recipe;
    SettingsSource m_settings;
};

/// The tile image of `folder`: its glyph's symbol or the icons of its first four applications, looked up
/// once, and `settings` asked at each draw.
[[nodiscard]] ImagePtr makeFolderTileImage(const AppFolder& folder, const SymbolImages& symbols,
                                           const WorkspaceIcons& icons, TileImage::SettingsSource settings);

} // namespace tessly
