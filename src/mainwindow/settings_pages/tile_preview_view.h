// The tile page's preview: the Dock tile of the folder being edited, drawn by the tile renderer at a reduced
// scale over a patch of desktop, with its name, a dot per folder, and buttons (and a drag) to step between
// folders. Without folders it says how to get one.
//
//     auto* preview = new TilePreviewView(settings, symbols, icons);
//     preview->showFolder(folder, index, count);           // or showNoFolder()
//     connect(preview, &TilePreviewView::stepRequested, page, [&](int delta) { ... });
//
// The tile follows the settings it reads at each draw (icon padding, theme). Left and Right step when the
// preview has the focus. Main thread only.
#pragma once

#include "model/app_folder.h"
#include "platform/gui/image.h"

#include <QPointer>
#include <QWidget>
#include <optional>

namespace tessly {

class ActionButton;
class AppSettings;
class SymbolImages;
class WorkspaceIcons;

class TilePreviewView final : public QWidget {
    Q_OBJECT

public:
    /// The tile's side in the preview: a 512-point tile at a quarter of its size, and a little.
    static constexpr int kTileSide = 128;

    TilePreviewView(const AppSettings& settings, const SymbolImages& symbols, const WorkspaceIcons& icons,
                    QWidget* parent = nullptr);
    ~TilePreviewView() override;

    /// Shows `folder`, the `index`-th of `count`.
    void showFolder(const AppFolder& folder, int index, int count);
    void showNoFolder();
    /// The texts: the line shown without folders and the names of the step buttons.
    void setTexts(const QString& emptyText, const QString& previous, const QString& next);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] std::optional<QUuid> shownFolderForTesting() const;
    /// How far the tile is dragged sideways right now.
    [[nodiscard]] double dragOffset() const { return m_dragOffset; }
    [[nodiscard]] ActionButton* previousButton() const { return m_previous; }
    [[nodiscard]] ActionButton* nextButton() const { return m_next; }

signals:
    /// The user asked for the next (+1) or the previous (−1) folder.
    void stepRequested(int delta);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    [[nodiscard]] QRectF backdropRect() const;
    [[nodiscard]] QRectF tileRect() const;

    QPointer<const AppSettings> m_settings;
    const SymbolImages& m_symbols;
    const WorkspaceIcons& m_icons;
    std::optional<AppFolder> m_folder;
    ImagePtr m_tile;
    int m_index = 0;
    int m_count = 0;
    QString m_emptyText;
    ActionButton* m_previous;
    ActionButton* m_next;
    std::optional<double> m_pressX;
    double m_dragOffset = 0;
};

} // namespace tessly
