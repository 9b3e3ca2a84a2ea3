#include "mainwindow/frame/main_window_sizing.h"

#include <algorithm>

namespace tessly {

QSizeF MainWindowSizing::minimumSize(NavigationPage page) {
    return page == NavigationPage::allFolders ? QSizeF(kMainWindowMinimumWidth, kFoldersPageMinimumHeight)
                                              : QSizeF(kMainWindowMinimumWidth, kSettingsPageMinimumHeight);
}

std::optional<double> MainWindowSizing::heldHeight(NavigationPage page,
                                                   std::optional<double> measuredHeight) {
    if (page == NavigationPage::allFolders || !measuredHeight || !(*measuredHeight > 0)) {
        return std::nullopt;
    }
    return std::max(*measuredHeight, minimumSize(page).height());
}

QSizeF MainWindowSizing::minimumSize(NavigationPage page, std::optional<double> measuredHeight) {
    const QSizeF minimum = minimumSize(page);
    return {minimum.width(), heldHeight(page, measuredHeight).value_or(minimum.height())};
}

std::optional<QRectF> MainWindowSizing::frameFor(NavigationPage page, const QRectF& current,
                                                 std::optional<double> measuredHeight, bool fullScreen,
                                                 bool minimised) const {
    if (fullScreen || minimised) {
        return std::nullopt;
    }
    const QSizeF minimum = minimumSize(page);
    QSizeF size;
    if (page == NavigationPage::allFolders) {
        size = QSizeF(std::max(m_foldersPageSize.width(), minimum.width()),
                      std::max(m_foldersPageSize.height(), minimum.height()));
    } else {
        const double height = measuredHeight && *measuredHeight > 0 ? *measuredHeight : current.height();
        size = QSizeF(std::max(current.width(), minimum.width()), std::max(height, minimum.height()));
    }
    return QRectF(current.topLeft(), size);
}

void MainWindowSizing::rememberFoldersPageSize(const QSizeF& size) {
    m_foldersPageSize = constrainedLiveSize(NavigationPage::allFolders, size);
}

QSizeF MainWindowSizing::constrainedLiveSize(NavigationPage page, const QSizeF& size,
                                             std::optional<double> measuredHeight) {
    const QSizeF minimum = minimumSize(page);
    const double width = std::max(size.width(), minimum.width());
    if (const std::optional<double> held = heldHeight(page, measuredHeight)) {
        return {width, *held};
    }
    return {width, std::max(size.height(), minimum.height())};
}

} // namespace tessly
