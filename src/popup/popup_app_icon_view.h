// One application in the folder popup's grid: its icon and, when names are shown, its name; clicking it opens
// the application.
//
//     auto* cell = new PopupAppIconView(app, icons, workspace, queue, console, [this] { onLaunch(); },
//     popup); cell->setGeometry(layout.cellRect(i).toRect()); cell->setContent(iconRect, nameRect,
//     elidedName, nameFont, nameColor, focusRing);   // cell coordinates
//
// The icon is fetched once, when the cell is made, and drawn into a bitmap of the icon's size, again only
// when that size changes. A click opens the application, activating it; when the workspace reports success,
// `onLaunch` runs on the main queue (never while the cell is gone); on an error the console says why
// ("[FolderPopupView] Failed to launch <path>: <reason>") and nothing more happens, so the popup stays open
// for another try. The cell takes the keyboard focus by Tab (the popup moves it with the arrow keys), and
// shows it with a ring around its icon, unless it came with the window's activation. Main thread only.
#pragma once

#include "model/app_folder.h"
#include "platform/gui/image.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>
#include <functional>

class QVariantAnimation;

namespace tessly {

class Console;
class MainQueue;
class Workspace;
class WorkspaceIcons;

class PopupAppIconView final : public QAbstractButton {
    Q_OBJECT

public:
    PopupAppIconView(AppItem app, const WorkspaceIcons& icons, Workspace& workspace, MainQueue& queue,
                     Console& console, std::function<void()> onLaunch, QWidget* parent = nullptr);
    ~PopupAppIconView() override;

    /// Where the icon and the name go, in the cell's coordinates; an empty `nameRect` shows no name.
    /// `elidedName` is the name already cut to fit; `focusRing` is drawn round the icon while the cell has
    /// the keyboard focus.
    void setContent(const QRectF& iconRect, const QRectF& nameRect, const QString& elidedName,
                    const QFont& nameFont, const QColor& nameColor, const QColor& focusRing);

    [[nodiscard]] const AppItem& app() const { return m_app; }
    /// The file path the cell opens and shows the icon of.
    [[nodiscard]] QString applicationPath() const;
    /// The icon's current scale about its centre: 1, or up to kPopupHoveredIconScale under the pointer.
    [[nodiscard]] double iconScale() const { return m_iconScale; }
    /// The icon fetched when the cell was made.
    [[nodiscard]] const ImagePtr& icon() const { return m_icon; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void launch();
    void setHovered(bool hovered);

    AppItem m_app;
    Workspace& m_workspace;
    MainQueue& m_queue;
    Console& m_console;
    std::function<void()> m_onLaunch;
    ImagePtr m_icon;
    QImage m_iconBitmap;
    QRectF m_iconRect;
    QRectF m_nameRect;
    QString m_elidedName;
    QFont m_nameFont;
    QColor m_nameColor;
    QColor m_focusRing;
    double m_iconScale = 1.0;
    /// Whether the focus ring shows: the cell has the focus, and it came from the keyboard (not the window's
    /// activation).
    bool m_showsFocus = false;
    QVariantAnimation* m_hoverAnimation = nullptr;
};

/// The path of an application entry's URL, cleaned (no trailing slash).
[[nodiscard]] QString popupApplicationPath(const AppItem& app);

} // namespace tessly
