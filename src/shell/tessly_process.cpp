#include "shell/tessly_process.h"

#include "platform/gui/application.h"
#include "platform/gui/image.h"
#include "platform/main_bundle.h"

#include <QBuffer>
#include <QImage>

namespace tessly {

namespace {

// 256 pixels: the largest a dock shows a launcher sharply asks for, Plank's 128-point icons on a 2x screen
// (the GNOME dash's 64 on 2x is half that); larger only slows every redraw and grows every icon file.
constexpr int kLauncherIconPixels = 256;

QByteArray pngOf(const ImagePtr& image) {
    if (!image) {
        return {};
    }
    const QImage bitmap = rasterize(*image, QSize(kLauncherIconPixels, kLauncherIconPixels));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!bitmap.save(&buffer, "PNG")) {
        return {};
    }
    return bytes;
}

} // namespace

std::unique_ptr<AppSettings> makeProcessSettings(const PlatformServices& services) {
    return std::make_unique<AppSettings>(
        services.defaults, services.notifications, services.distributedNotifications, services.loginItems,
        services.console, services.paths, services.mainBundle.bundleIdentifier(), services.clock);
}

TesslyProcess::TesslyProcess(const PlatformServices& services, AppSettings& settings,
                             PopupViewMaker makePopupView, MainWindowReveal revealMainWindow)
    : m_services(services), m_settings(settings),
      m_helpers(HelperEnvironment{m_services.paths, m_services.mainBundle, m_services.defaults,
                                  m_services.workspace, m_services.processes, m_services.attributes,
                                  m_services.dockPreferences, m_services.notifications,
                                  m_services.distributedNotifications, m_services.queue, m_services.clock,
                                  m_services.console, m_services.systemLog, m_services.codesignPath}),
      m_store(m_services.paths, m_helpers, m_services.notifications, m_services.queue, m_services.clock,
              m_services.console),
      m_tile(
          m_store, m_settings, m_services.queue, m_services.dockTile, m_services.symbols, m_services.icons,
          [this] { return m_helpers.helperGroupIdentifier(); }, m_services.mainBundle.bundlePath()),
      m_delegate(
          AppDelegateEnvironment{m_services.paths, m_services.defaults, m_services.queue, m_services.clock,
                                 m_services.notifications, m_services.distributedNotifications,
                                 m_services.application, m_services.screens, m_services.pointer,
                                 m_services.arguments, m_services.fileWatchers, m_services.docks,
                                 m_services.releaseFreeMemory},
          AppDelegateParts{m_settings, m_store, m_helpers, m_tile, m_services.updater},
          [this, make = std::move(makePopupView)](const PopupViewRequest& request)
              -> std::unique_ptr<QWidget> { return make ? make(request, m_settings) : nullptr; },
          std::move(revealMainWindow)) {
    // Every helper launch of this process is noted where Dock monitoring can see it.
    m_helpers.setHelperLaunchRecorder(&m_delegate);
    m_store.setHelperLaunchRecorder(&m_delegate);
    if (m_services.docks) {
        m_helpers.setLauncherSupport(
            LauncherSupport{m_services.docks, m_services.launcherEntriesDirectory,
                            [this](const AppFolder& folder) { return pngOf(m_tile.renderTileImage(folder)); },
                            [this] { return m_store.folders(); }});
    }
}

TesslyProcess::~TesslyProcess() {
    m_services.application.setReopenHandler({});
    m_services.application.setDidBecomeActiveHandler({});
}

void TesslyProcess::launch() {
    m_services.application.setReopenHandler(
        [this] { (void)m_delegate.applicationShouldHandleReopen(false); });
    m_services.application.setDidBecomeActiveHandler([this] { m_delegate.applicationDidBecomeActive(); });
    m_delegate.applicationWillFinishLaunching();
    m_delegate.applicationDidFinishLaunching();
}

void TesslyProcess::terminate() {
    m_delegate.applicationWillTerminate();
}

} // namespace tessly
