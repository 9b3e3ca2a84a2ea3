// The pages of the main window that the shell can ask it to show.
#pragma once

namespace tessly {

enum class MainWindowPage { allFolders, general };

} // namespace tessly
