// How big the main window is on each page: the folders page returns to the size the user last gave it, a
// settings page is as tall as its content at the width the window has, and the top edge stays where it is.
//
//     MainWindowSizing& sizing = ...;   // one per process: it outlives each window
//     if (const auto frame = sizing.frameFor(page, window.geometry(), page->preferredHeight()))
//     animateTo(*frame);
//     // once there, while the user drags an edge:
//     window.setMinimumSize(MainWindowSizing::minimumSize(page, page->preferredHeight()));
//     window.setMaximumHeight(MainWindowSizing::heldHeight(page,
//     page->preferredHeight()).value_or(unlimited));
//     // after the user resized the window on the folders page:
//     sizing.rememberFoldersPageSize(window.size());
//
// Frames are in the desktop's coordinates, y pointing down, in points. Plain values; any thread.
#pragma once

#include "mainwindow/frame/navigation_page.h"

#include <QRectF>
#include <QSizeF>

#include <optional>

namespace tessly {

/// The narrowest the main window gets, on every page.
inline constexpr double kMainWindowMinimumWidth = 540.0;
/// The folders page's size before the user has given it one.
inline constexpr QSizeF kFoldersPageInitialSize(560.0, 521.0);
inline constexpr double kFoldersPageMinimumHeight = 550.0;
inline constexpr double kSettingsPageMinimumHeight = 260.0;

class MainWindowSizing {
public:
    /// The smallest content size the window allows on `page`.
    [[nodiscard]] static QSizeF minimumSize(NavigationPage page);
    /// The height the window is held to on `page` while the user drags its edges: a settings page's content
    /// height once it is known (above 0), never below the page's minimum. Nothing on the folders page, whose
    /// height is the user's.
    [[nodiscard]] static std::optional<double> heldHeight(NavigationPage page,
                                                          std::optional<double> measuredHeight);
    /// The smallest size while the user drags the edges: the page's minimum width, and its held height if
    /// any.
    [[nodiscard]] static QSizeF minimumSize(NavigationPage page, std::optional<double> measuredHeight);

    /// The frame the window takes on `page`, from its `current` frame: the top left corner kept. A settings
    /// page whose height is not known yet (nothing, or not above 0) keeps the current height. Nothing when
    /// the window must keep its frame: in full screen, or minimised.
    [[nodiscard]] std::optional<QRectF> frameFor(NavigationPage page, const QRectF& current,
                                                 std::optional<double> measuredHeight, bool fullScreen,
                                                 bool minimised) const;

    /// The size the user gave the folders page (kept for the rest of the run), no smaller than its minimum.
    void rememberFoldersPageSize(const QSizeF& size);
    [[nodiscard]] QSizeF foldersPageSize() const { return m_foldersPageSize; }

    /// A size the user drags the window to on `page`: held to the page's minimum, and on a settings page to
    /// the content's height (`measuredHeight`, at the dragged width) once it is known.
    [[nodiscard]] static QSizeF constrainedLiveSize(NavigationPage page, const QSizeF& size,
                                                    std::optional<double> measuredHeight = std::nullopt);

private:
    QSizeF m_foldersPageSize = kFoldersPageInitialSize;
};

} // namespace tessly
