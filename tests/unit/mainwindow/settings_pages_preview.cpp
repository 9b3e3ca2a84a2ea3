// Writes PNGs of the settings pages, the custom colour picker and the onboarding's steps for a person to look
// at: light and dark, English and Ukrainian.
//
//   settings_pages_preview [output folder]     (default: settings-pages-preview in the build tree)
//
// On any platform: offscreen when no other is chosen, or on a real X display (scripts/settings-screenshots
// runs it on a virtual one), where each page is shown as a window before it is drawn. Texts come from the
// program's own string tables, symbols from the bundle's symbol font, pictures from resources/images.
#include "discovery/app_discovery.h"
#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/controls/toggle_switch.h"
#include "mainwindow/editor/app_picker_view.h"
#include "mainwindow/editor/folder_editor_sheet.h"
#include "mainwindow/editor/sheet_makers.h"
#include "mainwindow/editor/symbol_picker_popover.h"
#include "mainwindow/folders/folders_list_view.h"
#include "mainwindow/main_window_maker.h"
#include "mainwindow/onboarding/onboarding_view.h"
#include "mainwindow/settings_pages/about_view.h"
#include "mainwindow/settings_pages/appearance_settings_view.h"
#include "mainwindow/settings_pages/custom_color_picker_popover.h"
#include "mainwindow/settings_pages/general_settings_view.h"
#include "mainwindow/settings_pages/popup_settings_view.h"
#include "model/folder_store.h"
#include "platform/linux/symbol_images_linux.h"
#include "platform/linux/system_linux.h"
#include "platform/linux/workspace_icons_linux.h"
#include "platform/main_bundle.h"
#include "platform/property_list.h"
#include "platform/software_updater.h"
#include "settings/localization.h"
#include "support/launcher_dock_doubles.h"
#include "support/recording_helper_actions.h"
#include "support/settings_harness.h"
#include "support/shell_doubles.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QTextStream>
#include <QWindow>

#include <cstdlib>
#include <functional>

namespace tessly {
namespace {

using namespace tessly::testing;

class SilentUpdater final : public SoftwareUpdater {
public:
    void start() override {}
    void checkForUpdates() override {}
};

/// Copies the resources a bundle carries (string tables, images) into `resources`.
void copyResources(const QString& resources) {
    const QString source = QStringLiteral(TESSLY_RESOURCES_DIR);
    for (const QString& code : {QStringLiteral("en"), QStringLiteral("uk")}) {
        QDir().mkpath(resources + QLatin1Char('/') + code + QStringLiteral(".lproj"));
        QFile::copy(source + QLatin1Char('/') + code + QStringLiteral(".lproj/Localizable.json"),
                    resources + QLatin1Char('/') + code + QStringLiteral(".lproj/Localizable.json"));
    }
    for (const QFileInfo& image : QDir(source + QStringLiteral("/images")).entryInfoList(QDir::Files)) {
        QFile::copy(image.filePath(), resources + QLatin1Char('/') + image.fileName());
    }
}

AppFolder sampleFolder(const QString& name, const QString& glyph, TileStyleSettings style, bool glyphTile) {
    style.displayFolderIcon = glyphTile;
    return AppFolder{QUuid::createUuid(), name, glyph, {}, true, style, {}};
}

/// A bundle directory with an Info.plist and the program's resources, as the build assembles one.
bool makeBundle(const QString& bundlePath) {
    QDir().mkpath(bundlePath + QStringLiteral("/Contents/Resources"));
    copyResources(bundlePath + QStringLiteral("/Contents/Resources"));
    return writePropertyListFile(bundlePath + QStringLiteral("/Contents/Info.plist"),
                                 PlistDictionary{{"CFBundleShortVersionString", QStringLiteral("0.1.0")},
                                                 {"CFBundleIconFile", QStringLiteral("AppIcon")},
                                                 {"CFBundleDevelopmentRegion", QStringLiteral("en")}},
                                 PlistFormat::Xml);
}

struct Preview {
    void useFolders(bool any) {
        QList<AppFolder> folders;
        if (any) {
            TileStyleSettings blue;
            blue.backgroundStyle = TileBackground::blue;
            blue.backgroundMode = TileBackgroundMode::gradient;
            blue.opacity = 0.9;
            blue.borderEnabled = true;
            blue.borderWidth = 2.5;
            blue.borderOpacity = 0.6;
            folders.append(sampleFolder(QStringLiteral("Work"), QStringLiteral("briefcase"), blue, true));
            TileStyleSettings custom;
            custom.backgroundStyle = TileBackground::custom;
            custom.customHex = QStringLiteral("FF8800");
            folders.append(sampleFolder(QStringLiteral("Music"), QStringLiteral("music.note"), custom, true));
            folders.append(sampleFolder(QStringLiteral("Games"), QStringLiteral("gamecontroller"), {}, true));
        }
        store.setFoldersForTesting(folders);
    }

    /// A main window over these parts, not shown yet.
    MainWindowView* makeWindow(AppSettings& settings) {
        return makeMainWindow(MainWindowServices{
            .settings = settings,
            .store = store,
            .localization = l10n,
            .bundle = bundle,
            .symbols = symbols,
            .icons = icons,
            .updater = updater,
            .controller = controller,
            .queue = queue,
            .notifications = harness.center,
            .distributed = harness.distributed,
            .identify = {},
        });
    }

    SettingsHarness harness;
    QString bundlePath = harness.home.path() + QStringLiteral("/Tessly.app");
    bool bundleMade = makeBundle(bundlePath);
    MainBundle bundle{bundlePath, {}};
    Localization l10n{harness.make(), bundle};
    RecordingHelperActions helpers;
    FolderStore store{harness.home.paths(), helpers,      harness.center,
                      harness.time,         harness.time, harness.console};
    LinuxSymbolImages symbols{QStringLiteral(TESSLY_RESOURCES_DIR "/symbols.tsv"),
                              QStringLiteral(TESSLY_SYMBOL_FONT)};
    LinuxWorkspaceIcons icons{QStringLiteral(TESSLY_RESOURCES_DIR "/images")};
    SilentUpdater updater;
    /// The windows' own delayed work (icons read after a frame, animations' ends) runs as in the program.
    QtMainQueue queue;
    RecordingApplication application;
    MainWindowController controller{application, harness.time, harness.center, *harness.settings};
};

/// Runs the event loop until `done` or the deadline.
bool processUntil(const std::function<bool()>& done, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

/// Lets animations (switch knobs, a sliding step, the window following its page) finish.
void settle() {
    QDeadlineTimer settle(350);
    processUntil([&] { return settle.hasExpired(); }, 450);
}

/// Shows `widget` as a window of its preferred size, lets it settle and draws it into `path`.
bool capture(QWidget& widget, const QString& path) {
    const QSize size = widget.sizeHint();
    widget.resize(size);
    widget.show();
    processUntil([&] { return widget.windowHandle() && widget.windowHandle()->isExposed(); }, 3000);
    // Animations (the switch knobs, a sliding step) finish within a quarter of a second.
    QDeadlineTimer settle(300);
    processUntil([&] { return settle.hasExpired(); }, 400);
    const bool saved = widget.grab().save(path);
    widget.hide();
    return saved;
}

int run(const QString& outputDirectory) {
    QDir().mkpath(outputDirectory);
    Preview preview;
    AppSettings& settings = *preview.harness.settings;
    QTextStream out(stdout);
    int failures = 0;
    const auto save = [&](QWidget& widget, const QString& name) {
        const QString path = outputDirectory + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!capture(widget, path)) {
            QTextStream(stderr) << name << ": could not be written\n";
            ++failures;
            return;
        }
        out << path << '\n';
    };
    for (const AppLanguage language : allCases<AppLanguage>()) {
        for (const AppThemeMode theme : {AppThemeMode::light, AppThemeMode::dark}) {
            settings.setLanguage(language);
            settings.setAppTheme(theme);
            settings.setLaunchAtLogin(false);
            settings.setShowMenuBar(true);
            const QString suffix = QStringLiteral("-%1-%2").arg(
                rawText(language), theme == AppThemeMode::light ? "light" : "dark");

            testing::FakeLauncherDock plank;
            testing::FakeDockDiscovery docks(plank, DockKind::plank);
            GeneralSettingsView general(settings, preview.l10n, DockStatus{&docks, nullptr});
            save(general, QStringLiteral("general") + suffix);
            GeneralSettingsView noDock(settings, preview.l10n);
            save(noDock, QStringLiteral("general-no-dock") + suffix);
            PopupSettingsView popup(settings, preview.l10n);
            save(popup, QStringLiteral("popup") + suffix);
            AboutView about(settings, preview.l10n, preview.bundle, preview.updater);
            save(about, QStringLiteral("about") + suffix);

            preview.useFolders(true);
            AppearanceSettingsView appearance(settings, preview.l10n, preview.store, preview.symbols,
                                              preview.icons);
            save(appearance, QStringLiteral("appearance") + suffix);
            // The folder's tile with its applications' icons instead of its symbol.
            appearance.folderIconSwitch()->click();
            save(appearance, QStringLiteral("appearance-folder-symbol-off") + suffix);
            appearance.folderIconSwitch()->click();
            appearance.setSelectedPreviewID(preview.store.folders().at(1).id);
            save(appearance, QStringLiteral("appearance-second-folder") + suffix);
            appearance.resize(appearance.sizeHint());
            appearance.show();
            appearance.openCustomColorPicker();
            if (CustomColorPickerPopover* picker = appearance.customColorPicker()) {
                save(*picker, QStringLiteral("custom-color") + suffix);
                picker->hexField()->setText(QStringLiteral("FF88"));
                QMetaObject::invokeMethod(picker->hexField(), "editingFinished");
                save(*picker, QStringLiteral("custom-color-invalid-hex") + suffix);
            }
            appearance.hide();
            preview.useFolders(false);
            AppearanceSettingsView empty(settings, preview.l10n, preview.store, preview.symbols,
                                         preview.icons);
            save(empty, QStringLiteral("appearance-no-folders") + suffix);

            // The whole window: each page in its frame, at the size the window takes for it.
            preview.useFolders(true);
            settings.setHasCompletedOnboarding(true);
            {
                // The first folder with applications, for its card opened.
                AppFolder work = preview.store.folders().first();
                for (const char* name :
                     {"Mail", "Calendar", "Notes", "Terminal", "Maps", "Photos", "Music"}) {
                    work.apps.append(AppItem{
                        QUuid::createUuid(), QString::fromLatin1(name), QStringLiteral("app.example.") + name,
                        QUrl::fromLocalFile(QStringLiteral("/nowhere/") + name + ".app")});
                }
                preview.store.updateFolder(work);
            }
            MainWindowView* window = preview.makeWindow(settings);
            window->show();
            processUntil([&] { return window->windowHandle() && window->windowHandle()->isExposed(); }, 3000);
            for (const auto& [page, name] :
                 {std::pair{NavigationPage::allFolders, "folders"},
                  std::pair{NavigationPage::general, "general"},
                  std::pair{NavigationPage::tile, "appearance"}, std::pair{NavigationPage::popup, "popup"},
                  std::pair{NavigationPage::about, "about"}}) {
                window->select(page);
                settle();
                const QString path = outputDirectory + QStringLiteral("/window-") + name + suffix + ".png";
                if (!window->grab().save(path)) {
                    ++failures;
                }
                out << path << '\n';
            }
            window->select(NavigationPage::allFolders);
            if (auto* list = window->findChild<FoldersListView*>()) {
                const QUuid first = preview.store.folders().first().id;
                for (const auto& [step, name] :
                     {std::pair{0, "folders-card-open"}, std::pair{1, "folders-card-editing"}}) {
                    if (FolderCardView* card = list->cardOf(first)) {
                        step == 0 ? card->setExpanded(true) : card->beginEditing();
                    }
                    settle();
                    const QString path =
                        outputDirectory + QStringLiteral("/window-") + name + suffix + ".png";
                    failures += window->grab().save(path) ? 0 : 1;
                    out << path << '\n';
                }
                // A symbol chosen while editing shows on the button and the tile before Done.
                if (FolderCardView* card = list->cardOf(first)) {
                    card->symbolButton()->click();
                    if (auto* picker = card->findChild<SymbolPickerPopover*>()) {
                        emit picker->iconSelected(QStringLiteral("star"));
                        picker->close();
                    }
                    settle();
                    const QString path = outputDirectory +
                                         QStringLiteral("/window-folders-card-editing-symbol") + suffix +
                                         ".png";
                    failures += window->grab().save(path) ? 0 : 1;
                    out << path << '\n';
                }
                if (FolderCardView* card = list->cardOf(first)) {
                    card->finishEditing();
                    card->setExpanded(false);
                }
                // Applications added to an open, empty card: the card grows to hold them and its buttons.
                const QUuid second = preview.store.folders().at(1).id;
                if (FolderCardView* card = list->cardOf(second)) {
                    card->setExpanded(true);
                    settle();
                    preview.store.setAppPickerCallback({});
                    for (QAbstractButton* button : card->findChildren<QAbstractButton*>()) {
                        if (button->isVisible() &&
                            button->accessibleName() == preview.l10n.localizedString("Add")) {
                            button->click();
                        }
                    }
                    if (preview.store.appPickerCallback()) {
                        QList<AppItem> chosen;
                        for (const char* name :
                             {"Mail", "Maps", "Notes", "Books", "Music", "Photos", "Clock"}) {
                            chosen.append(
                                AppItem{QUuid::createUuid(), QString::fromLatin1(name),
                                        QStringLiteral("app.example.") + name,
                                        QUrl::fromLocalFile(QStringLiteral("/nowhere/") + name + ".app")});
                        }
                        preview.store.appPickerCallback()(chosen);
                    }
                    preview.store.setShowingAppPicker(false);
                    settle();
                    const QString path =
                        outputDirectory + QStringLiteral("/window-folders-card-apps-added") + suffix + ".png";
                    failures += window->grab().save(path) ? 0 : 1;
                    out << path << '\n';
                    if (FolderCardView* shown = list->cardOf(second)) {
                        shown->setExpanded(false);
                    }
                }
                const auto grabAs = [&](const QString& name) {
                    settle();
                    const QString path =
                        outputDirectory + QStringLiteral("/window-") + name + suffix + ".png";
                    failures += window->grab().save(path) ? 0 : 1;
                    out << path << '\n';
                };
                // The deletion's question and the empty-folder alert, over the list.
                preview.store.setFolderPendingDelete(preview.store.folders().first());
                grabAs(QStringLiteral("sheet-delete-confirmation"));
                preview.store.setFolderPendingDelete(std::nullopt);
                preview.store.setShowingEmptyFolderAlert(true);
                grabAs(QStringLiteral("sheet-empty-folder-alert"));
                preview.store.setShowingEmptyFolderAlert(false);
                // No folders, one, and thirty (some in the Dock).
                const QList<AppFolder> kept = preview.store.folders();
                preview.store.setFoldersForTesting({});
                grabAs(QStringLiteral("folders-none"));
                preview.store.setFoldersForTesting({kept.first()});
                grabAs(QStringLiteral("folders-one"));
                QList<AppFolder> thirty;
                for (int index = 0; index < 30; ++index) {
                    AppFolder folder = kept.at(index % kept.size());
                    folder.id = QUuid::createUuid();
                    folder.name = QStringLiteral("%1 %2").arg(folder.name).arg(index + 1);
                    folder.isInDock = index % 3 == 0;
                    thirty.append(folder);
                }
                preview.store.setFoldersForTesting(thirty);
                grabAs(QStringLiteral("folders-thirty"));
                window->filterChanged(FolderVisibilityFilter::inDock);
                grabAs(QStringLiteral("folders-thirty-in-dock"));
                window->filterChanged(FolderVisibilityFilter::all);
                preview.store.setFoldersForTesting(kept);
            }
            window->close();
            processUntil([] { return false; }, 50);
            settings.setHasCompletedOnboarding(false);
            MainWindowView* first = preview.makeWindow(settings);
            first->show();
            settle();
            const QString firstPath =
                outputDirectory + QStringLiteral("/window-onboarding") + suffix + ".png";
            failures += first->grab().save(firstPath) ? 0 : 1;
            out << firstPath << '\n';
            first->close();
            settings.setHasCompletedOnboarding(true);
            preview.useFolders(false);

            OnboardingView onboarding(settings, preview.l10n, preview.bundle, preview.symbols, [](bool) {});
            save(onboarding, QStringLiteral("onboarding-1-welcome") + suffix);
            onboarding.nextButton()->click();
            save(onboarding, QStringLiteral("onboarding-2-workflow") + suffix);
            onboarding.nextButton()->click();
            save(onboarding, QStringLiteral("onboarding-3-quick-setup") + suffix);

            {
                // The folder editor, new and editing, its symbol grid, and the application picker over it, as
                // sheets of the window; the picker lists a machine of sample applications with icons of their
                // own.
                const QString machine = preview.harness.home.path() + QStringLiteral("/machine");
                if (!QDir(machine + QStringLiteral("/Applications")).exists()) {
                    const QStringList names = {
                        "Calendar",    "Mail",    "Maps",      "Notes",
                        "Photos",      "Music",   "Terminal",  "Calculator",
                        "Text Editor", "Weather", "Podcasts",  "Система моніторингу",
                        "Калькулятор", "Preview", "Reminders", "Very Long Application Name Here",
                        "Books",       "Clock"};
                    for (qsizetype i = 0; i < names.size(); ++i) {
                        const QString contents = machine + QStringLiteral("/Applications/") + names.at(i) +
                                                 QStringLiteral(".app/Contents");
                        QDir().mkpath(contents + QStringLiteral("/Resources"));
                        (void)writePropertyListFile(
                            contents + QStringLiteral("/Info.plist"),
                            PlistDictionary{{"CFBundleIdentifier", QStringLiteral("app.example.%1").arg(i)},
                                            {"CFBundleName", names.at(i)},
                                            {"CFBundleIconFile", QStringLiteral("AppIcon")}},
                            PlistFormat::Xml);
                        QImage icon(256, 256, QImage::Format_ARGB32_Premultiplied);
                        icon.fill(Qt::transparent);
                        QPainter painter(&icon);
                        painter.setRenderHint(QPainter::Antialiasing);
                        QLinearGradient ground(0, 0, 0, 256);
                        const float hue = static_cast<float>(i) / static_cast<float>(names.size());
                        ground.setColorAt(0, QColor::fromHsvF(hue, 0.55F, 0.98F));
                        ground.setColorAt(1, QColor::fromHsvF(hue, 0.85F, 0.78F));
                        painter.setPen(Qt::NoPen);
                        painter.setBrush(ground);
                        painter.drawRoundedRect(QRectF(16, 16, 224, 224), 52, 52);
                        QFont letter(QStringLiteral("sans-serif"));
                        letter.setPixelSize(120);
                        letter.setBold(true);
                        painter.setFont(letter);
                        painter.setPen(Qt::white);
                        painter.drawText(QRectF(16, 16, 224, 224), Qt::AlignCenter, names.at(i).left(1));
                        painter.end();
                        icon.save(contents + QStringLiteral("/Resources/AppIcon.png"));
                    }
                }
                AppDiscovery discovery(preview.harness.home.path(), preview.harness.time,
                                       [&settings] { return localeForLanguage(settings.language()); });
                discovery.setSystemRootForTesting(machine);
                preview.useFolders(true);
                const MainWindowServices services{settings,
                                                  preview.store,
                                                  preview.l10n,
                                                  preview.bundle,
                                                  preview.symbols,
                                                  preview.icons,
                                                  preview.updater,
                                                  preview.controller,
                                                  preview.queue,
                                                  preview.harness.center,
                                                  preview.harness.distributed,
                                                  {},
                                                  &discovery,
                                                  &preview.harness.time};
                MainWindowView* window = makeMainWindow(services);
                window->resize(720, 620);
                window->show();
                processUntil([&] { return window->windowHandle() && window->windowHandle()->isExposed(); },
                             3000);
                const auto grabWindow = [&](const QString& name) {
                    settle();
                    const QString path = outputDirectory + QLatin1Char('/') + name + suffix + ".png";
                    failures += window->grab().save(path) ? 0 : 1;
                    out << path << '\n';
                };
                preview.store.setFolderToEdit(std::nullopt);
                QWidget* editor = makeFolderEditorSheet(services);
                window->presentSheet(editor);
                grabWindow(QStringLiteral("sheet-editor-new"));
                window->dismissSheet(editor);

                preview.store.setFolderToEdit(preview.store.folders().first());
                auto* editing = static_cast<FolderEditorSheet*>(makeFolderEditorSheet(services));
                window->presentSheet(editing);
                editing->nameFieldForTesting()->setText(editing->nameFieldForTesting()->text() +
                                                        QStringLiteral(" & Co."));
                grabWindow(QStringLiteral("sheet-editor-edit"));
                editing->openSymbolPicker();
                if (SymbolPickerPopover* grid = editing->iconPicker()) {
                    settle();
                    save(*grid, QStringLiteral("icon-picker") + suffix);
                }

                preview.store.setAppPickerCurrentBundleIDs(
                    {QStringLiteral("app.example.1"), QStringLiteral("app.example.6")});
                auto* picker = static_cast<AppPickerView*>(makeAppPickerSheet(services));
                window->presentSheet(picker);
                for (int turn = 0; turn < 20; ++turn) { // the scan, then the icons of the cells drawn
                    preview.harness.time.runDue();
                    processUntil([] { return false; }, 30);
                }
                picker->toggleRow(0);
                picker->toggleRow(4);
                picker->toggleRow(9);
                grabWindow(QStringLiteral("sheet-app-picker"));
                picker->searchField()->setText(QStringLiteral("zzz"));
                grabWindow(QStringLiteral("sheet-app-picker-no-results"));
                window->dismissSheet(editing);
                window->close();
                processUntil([] { return false; }, 50);
                preview.useFolders(false);
            }
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace
} // namespace tessly

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // The pages are drawn on the platform's own style, as the program will be.
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TESSLY_PREVIEW_DIR);
    return tessly::run(output);
}
