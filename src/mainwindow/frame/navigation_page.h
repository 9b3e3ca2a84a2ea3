// The pages of the main window, in the order of its tab bar: the folders, then the settings pages.
#pragma once

namespace tessly {

enum class NavigationPage { allFolders, general, tile, popup, about };

} // namespace tessly
