// Writes PNGs of folder popups for a person to look at: 3, 4 and 9 applications; header and names on and off;
// centred and above a Dock at the bottom, left and right; light and dark; the three materials; pinned and
// not; a name too long for its row; 60 and 5,000 applications in a grid that scrolls.
//
//   popup_preview [--capture] [--compositor] [output folder]     (default: popup-preview in the build tree)
//
// Without --capture each popup is drawn into an image over a gradient (any platform, offscreen included).
// With
// --capture it runs on a real X display: each popup is shown as a frameless translucent top-level window over
// the desktop and the screen around it is captured with ImageMagick's `import`, so what a compositor makes of
// the translucency is in the picture. --compositor tells the popup that one is running (see
// scripts/popup-screenshots, which starts one); without it the window is cut to the popup's opaque mask.
//
// Icons are the Linux workspace icons of bundles made in a temporary folder, each with a real icon of the
// system's icon theme when there is one, else the generic application icon.
#include "platform/linux/symbol_images_linux.h"
#include "platform/linux/workspace_icons_linux.h"
#include "platform/notification_center.h"
#include "platform/property_list.h"
#include "platform/workspace.h"
#include "popup/folder_popup_view.h"
#include "settings/app_settings.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_login_items.h"
#include "support/virtual_time.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUuid>
#include <QWindow>

#include <cstdlib>
#include <optional>

namespace tessly {
namespace {

using namespace tessly::testing;

/// Opens nothing; the preview never launches anything.
class IdleWorkspace final : public Workspace {
public:
    void openApplication(const QString&, const OpenConfiguration&, OpenCompletion) override {}
    [[nodiscard]] QList<RunningApplication> runningApplications() const override { return {}; }
    bool terminate(const RunningApplication&) override { return false; }
};

struct SampleApp {
    QString name;
    QString themeIcon;
};

const QList<SampleApp> kApps = {
    {"Documents", "places/folder-documents.png"},
    {"Pictures", "places/folder-pictures.png"},
    {"Music", "places/folder-music.png"},
    {"Network Server Administration", "places/network-server.png"},
    {"Office", "mimetypes/x-office-document.png"},
    {"Images", "mimetypes/image-x-generic.png"},
    {"Scripts", "mimetypes/text-x-script.png"},
    {"Downloads", "places/folder-download.png"},
    {"Home", "places/user-home.png"},
};

/// Bundles for the sample applications in `directory`, each with its theme icon when the theme has it.
QList<AppItem> makeBundles(const QString& directory) {
    QList<AppItem> items;
    for (const SampleApp& app : kApps) {
        const QString bundle = directory + QLatin1Char('/') + app.name + QStringLiteral(".app");
        QDir().mkpath(bundle + QStringLiteral("/Contents/Resources"));
        const QString icon = QStringLiteral("/usr/share/icons/Adwaita/512x512/") + app.themeIcon;
        PlistDictionary info{
            {"CFBundleIdentifier", QStringLiteral("com.example.") + app.name.toLower().remove(' ')}};
        if (QFile::exists(icon) &&
            QFile::copy(icon, bundle + QStringLiteral("/Contents/Resources/icon.png"))) {
            info.set("CFBundleIconFile", QStringLiteral("icon.png"));
        }
        (void)writePropertyListFile(bundle + QStringLiteral("/Contents/Info.plist"), info, PlistFormat::Xml);
        items.append(AppItem{QUuid::createUuid(), app.name, QString(), QUrl::fromLocalFile(bundle + '/')});
    }
    return items;
}

struct Shot {
    QString name;
    int apps = 4;
    AppThemeMode theme = AppThemeMode::light;
    PopupPosition position = PopupPosition::aboveDock;
    DockEdge edge = DockEdge::bottom;
    double arrowOffset = 0;
    bool showTitle = true;
    bool showNames = true;
    PopupBlur blur = PopupBlur::thin;
    bool pinned = false;
    QString folderName = QStringLiteral("Work");
    /// The applications under Ukrainian names, as a Ukrainian user's folder shows them.
    bool ukrainian = false;
    /// The room the screen leaves the panel, and the grid's first row shown when it scrolls.
    std::optional<double> maximumHeight = std::nullopt;
    qsizetype firstRow = 0;
};

const QStringList kUkrainianNames = {
    "Документи", "Зображення",   "Музика",  "Адміністрування мережевого сервера", "Офіс", "Світлини",
    "Сценарії",  "Завантаження", "Домівка",
};

QList<Shot> shots() {
    QList<Shot> list;
    for (const AppThemeMode theme : {AppThemeMode::light, AppThemeMode::dark}) {
        const QString t = theme == AppThemeMode::light ? QStringLiteral("light") : QStringLiteral("dark");
        for (const int apps : {3, 4, 9}) {
            Shot s;
            s.name = QStringLiteral("bottom-%1apps-%2").arg(apps).arg(t);
            s.apps = apps;
            s.theme = theme;
            list.append(s);
        }
        Shot bare{QStringLiteral("bottom-9apps-notitle-nonames-") + t, 9, theme};
        bare.showTitle = false;
        bare.showNames = false;
        list.append(bare);
        Shot noNames{QStringLiteral("bottom-4apps-nonames-") + t, 4, theme};
        noNames.showNames = false;
        list.append(noNames);
        Shot noTitle{QStringLiteral("bottom-4apps-notitle-") + t, 4, theme};
        noTitle.showTitle = false;
        list.append(noTitle);
        for (const bool pinned : {false, true}) {
            Shot centre{QStringLiteral("center-9apps-%1-%2").arg(pinned ? "pinned" : "unpinned", t), 9, theme,
                        PopupPosition::center};
            centre.pinned = pinned;
            list.append(centre);
        }
        Shot left{QStringLiteral("left-4apps-offset30-") + t,
                  4,
                  theme,
                  PopupPosition::aboveDock,
                  DockEdge::left,
                  30};
        list.append(left);
        Shot right{QStringLiteral("right-9apps-offset-40-") + t,
                   9,
                   theme,
                   PopupPosition::aboveDock,
                   DockEdge::right,
                   -40};
        list.append(right);
        Shot shifted{QStringLiteral("bottom-3apps-offset80-") + t,
                     3,
                     theme,
                     PopupPosition::aboveDock,
                     DockEdge::bottom,
                     80};
        list.append(shifted);
        for (const PopupBlur blur : {PopupBlur::regular, PopupBlur::dark}) {
            Shot material{
                QStringLiteral("material-%1-%2").arg(blur == PopupBlur::regular ? "regular" : "dark", t), 4,
                theme};
            material.blur = blur;
            list.append(material);
        }
        Shot ukrainian{QStringLiteral("ukrainian-9apps-") + t, 9, theme};
        ukrainian.folderName = QStringLiteral("Робота й навчання");
        ukrainian.ukrainian = true;
        list.append(ukrainian);
        Shot longName{QStringLiteral("long-name-") + t, 3, theme};
        longName.folderName = QStringLiteral("Everything I open on a Monday morning before coffee");
        list.append(longName);
        // Far more applications than fit on the screen: the grid scrolls, here part of the way down.
        for (const PopupPosition position : {PopupPosition::aboveDock, PopupPosition::center}) {
            Shot many{QStringLiteral("%1-5000apps-scrolled-%2")
                          .arg(position == PopupPosition::center ? "center" : "bottom", t),
                      5000, theme, position};
            many.maximumHeight = 560;
            many.firstRow = 300;
            list.append(many);
        }
        Shot manyBare{QStringLiteral("bottom-60apps-notitle-nonames-top-") + t, 60, theme};
        manyBare.showTitle = false;
        manyBare.showNames = false;
        manyBare.maximumHeight = 300;
        list.append(manyBare);
    }
    return list;
}

/// Runs the event loop until `done` or the deadline.
template <typename Predicate> bool processUntil(Predicate done, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

struct Preview {
    QTemporaryDir home;
    InMemoryUserDefaults defaults;
    NotificationCenter center;
    VirtualTime time;
    InMemoryNotificationBus bus;
    InMemoryDistributedNotificationCenter distributed{bus, time};
    RecordingLoginItems loginItems;
    RecordingConsole console;
    AppSettings settings{defaults,
                         center,
                         distributed,
                         loginItems,
                         console,
                         Paths(home.path()),
                         QStringLiteral("app.tessly.Tessly"),
                         time};
    LinuxSymbolImages symbols{QStringLiteral(TESSLY_RESOURCES_DIR "/symbols.tsv"),
                              QStringLiteral(TESSLY_SYMBOL_FONT)};
    LinuxWorkspaceIcons icons{QStringLiteral(TESSLY_RESOURCES_DIR "/images")};
    IdleWorkspace workspace;
    QList<AppItem> apps = makeBundles(home.path() + QStringLiteral("/Applications"));

    std::unique_ptr<FolderPopupView> view(const Shot& shot, bool compositor, QWidget* parent) {
        settings.setAppTheme(shot.theme);
        settings.setPopupPosition(shot.position);
        settings.setPopupShowTitle(shot.showTitle);
        settings.setPopupShowAppName(shot.showNames);
        settings.setPopupBlurStyle(shot.blur);
        settings.setPopupArrowOffset(shot.arrowOffset);
        AppFolder folder;
        folder.id = QUuid::createUuid();
        folder.name = shot.folderName;
        // Past the sample applications, they come round again under numbered names.
        for (int i = 0; i < shot.apps; ++i) {
            AppItem app = apps.at(i % apps.size());
            if (i >= apps.size()) {
                app.id = QUuid::createUuid();
                app.name += QStringLiteral(" %1").arg(i / apps.size() + 1);
            }
            folder.apps.append(app);
        }
        if (shot.ukrainian) {
            for (qsizetype i = 0; i < folder.apps.size() && i < kUkrainianNames.size(); ++i) {
                folder.apps[i].name = kUkrainianNames.at(i);
            }
        }
        auto view = std::make_unique<FolderPopupView>(
            folder, shot.edge, shot.maximumHeight, [] {}, [](bool) {}, settings, icons, symbols, workspace,
            time, console, parent);
        view->setCompositorIsRunning(compositor);
        view->scrollToRow(shot.firstRow);
        if (shot.pinned && view->showsPinButton()) {
            // The pin as a user presses it.
            if (auto* pin = view->childAt(view->headerLayout().pinRect.center().toPoint())) {
                QMetaObject::invokeMethod(pin, "click");
            }
        }
        return view;
    }
};

QImage desktopGradient(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(74, 111, 165));
    gradient.setColorAt(1, QColor(201, 123, 99));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 6));
    for (int x = -size.height(); x < size.width(); x += 40) {
        painter.drawLine(x, 0, x + size.height(), size.height());
    }
    return image;
}

int run(const QString& outputDirectory, bool capture, bool compositor) {
    QDir().mkpath(outputDirectory);
    Preview preview;
    QTextStream out(stdout);
    // In place of a desktop background: a window below every other, covering the screen.
    QLabel desktop(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
    if (capture) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        desktop.setPixmap(QPixmap::fromImage(desktopGradient(screen.size())));
        desktop.setGeometry(screen);
        desktop.show();
        processUntil([&] { return desktop.windowHandle() && desktop.windowHandle()->isExposed(); }, 5000);
    }
    for (const Shot& shot : shots()) {
        const QString path = outputDirectory + QLatin1Char('/') + shot.name + QStringLiteral(".png");
        if (!capture) {
            auto view = preview.view(shot, compositor, nullptr);
            const QSize size = view->sizeHint();
            QImage image = desktopGradient(size + QSize(40, 40));
            QPainter painter(&image);
            view->render(&painter, QPoint(20, 20), QRegion(), QWidget::DrawChildren);
            painter.end();
            image.save(path);
            out << path << '\n';
            continue;
        }
        // A frameless translucent window, as the popup panel is, placed in the middle of the screen.
        // Not managed (as a popup panel is not), so it is stacked above the desktop window whatever the
        // window manager does with that one.
        QWidget window(nullptr,
                       Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint);
        window.setAttribute(Qt::WA_TranslucentBackground);
        auto view = preview.view(shot, compositor, &window);
        const QSize size = view->sizeHint();
        window.resize(size);
        if (!compositor) {
            window.setMask(view->opaqueMask());
        }
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        window.move(screen.center() - QPoint(size.width() / 2, size.height() / 2));
        window.show();
        window.raise();
        if (!processUntil(
                [&] {
                    return window.windowHandle() && window.windowHandle()->isExposed() &&
                           view->isPresentationSettledForTesting();
                },
                5000)) {
            QTextStream(stderr) << shot.name << ": the window was not shown\n";
            return 1;
        }
        // The compositor redraws on its own schedule and tells no one: give it a few frames.
        QDeadlineTimer frames(250);
        processUntil([&] { return frames.hasExpired(); }, 300);
        const QRect region = QRect(window.pos(), size).adjusted(-20, -20, 20, 20);
        const int status =
            QProcess::execute(QStringLiteral("import"),
                              {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                               QStringLiteral("%1x%2+%3+%4")
                                   .arg(region.width())
                                   .arg(region.height())
                                   .arg(region.x())
                                   .arg(region.y()),
                               QStringLiteral("+repage"), path});
        window.hide();
        if (status != 0) {
            QTextStream(stderr) << shot.name << ": import failed (" << status << ")\n";
            return 1;
        }
        out << path << '\n';
    }
    return 0;
}

} // namespace
} // namespace tessly

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const bool capture = arguments.removeAll(QStringLiteral("--capture")) > 0;
    const bool compositor = arguments.removeAll(QStringLiteral("--compositor")) > 0;
    if (!capture) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    QApplication app(argc, argv);
    return tessly::run(arguments.isEmpty() ? QStringLiteral(TESSLY_PREVIEW_DIR) : arguments.front(), capture,
                       compositor || !capture);
}
