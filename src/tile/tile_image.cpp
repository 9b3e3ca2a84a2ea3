#include "tile/tile_image.h"

#include "platform/gui/system_style.h"

#include <QDir>
#include <algorithm>

namespace tessly {

namespace {

void drawGlyph(TileCanvas& canvas, const TileRecipe& recipe, const QRectF& plate) {
    if (recipe.glyphSymbol) {
        canvas.drawTintedImage(*recipe.glyphSymbol, glyphSymbolFrame(plate), Qt::white);
        return;
    }
    const QFont font = boldSystemFont(glyphFontSize(plate), recipe.glyph);
    // Exactly the text's measured size, centred: the text is not wrapped or clipped to the plate.
    const QRectF frame = centeredRect(plate, canvas.measureText(recipe.glyph, font));
    canvas.drawText(recipe.glyph, font, Qt::white, frame);
}

void drawIconGrid(TileCanvas& canvas, const TileRecipe& recipe, const QRectF& plate, double tileIconPadding) {
    const QList<QRectF> frames = iconGridFrames(plate, recipe.appIcons.size(), tileIconPadding);
    for (qsizetype i = 0; i < frames.size(); ++i) {
        if (const ImagePtr& icon = recipe.appIcons[i]) {
            canvas.drawImage(*icon, frames[i]);
        }
    }
}

/// The path of an application entry's bundle, as the workspace names files.
QString bundlePathOf(const AppItem& app) {
    return QDir::cleanPath(app.appURL.toLocalFile());
}

} // namespace

void drawTile(TileCanvas& canvas, const TileRecipe& recipe, const TileDrawSettings& settings) {
    const TileStyleSettings& style = recipe.style;
    const RoundedRect plate = plateShape(kTileCanvasSize, style.cornerRadius);
    canvas.fillRoundedRect(plate.rect, plate.radius, plateFill(style, settings.appTheme));
    if (style.borderEnabled) {
        const BorderShape border = borderShape(plate, kTileCanvasSize, style.borderWidth);
        canvas.strokeRoundedRect(border.shape.rect, border.shape.radius, borderColor(style),
                                 border.lineWidth);
    }
    if (style.displayFolderIcon) {
        drawGlyph(canvas, recipe, plate.rect);
        return;
    }
    drawIconGrid(canvas, recipe, plate.rect, settings.tileIconPadding);
}

TileImage::TileImage(TileRecipe recipe, SettingsSource settings)
    : m_recipe(std::move(recipe)), m_settings(std::move(settings)) {}

void TileImage::draw(QPainter& painter, const QRectF& target) const {
    if (target.isEmpty()) {
        return;
    }
    PainterTileCanvas canvas(painter, target, kTileCanvasSize);
    drawOn(canvas);
}

void TileImage::drawOn(TileCanvas& canvas) const {
    drawTile(canvas, m_recipe, m_settings ? m_settings() : TileDrawSettings{});
}

ImagePtr makeFolderTileImage(const AppFolder& folder, const SymbolImages& symbols,
                             const WorkspaceIcons& icons, TileImage::SettingsSource settings) {
    const QRectF plate = plateShape(kTileCanvasSize, folder.tileStyle.cornerRadius).rect;
    TileRecipe recipe;
    recipe.style = folder.tileStyle;
    recipe.glyph = folder.emoji;
    if (folder.tileStyle.displayFolderIcon) {
        recipe.glyphSymbol = symbols.symbol(folder.emoji, glyphSymbolPointSize(plate), SymbolWeight::bold);
    } else {
        // Looked up once per image: the Dock redraws the image often, the folder's applications change rarely
        // and every change makes a new image.
        const qsizetype shown = std::min(folder.apps.size(), kMaximumTileIcons);
        recipe.appIcons.reserve(shown);
        for (qsizetype i = 0; i < shown; ++i) {
            recipe.appIcons.append(icons.iconForFile(bundlePathOf(folder.apps[i])));
        }
    }
    return std::make_shared<TileImage>(std::move(recipe), std::move(settings));
}

} // namespace tessly
