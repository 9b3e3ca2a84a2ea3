// The settings controls and pages as a user drives them: by keyboard and pointer, in both languages, with
// every change reaching the settings or the folder store.
#include "mainwindow/controls/action_button.h"
#include "mainwindow/controls/color_circle.h"
#include "mainwindow/controls/native_slider.h"
#include "mainwindow/controls/segmented_picker.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/settings_style.h"
#include "mainwindow/controls/toggle_switch.h"
#include "mainwindow/onboarding/onboarding_view.h"
#include "mainwindow/settings_pages/about_view.h"
#include "mainwindow/settings_pages/appearance_settings_view.h"
#include "mainwindow/settings_pages/custom_color_picker_popover.h"
#include "mainwindow/settings_pages/general_settings_view.h"
#include "mainwindow/settings_pages/popup_settings_view.h"
#include "mainwindow/settings_pages/settings_values.h"
#include "mainwindow/settings_pages/tile_preview_view.h"
#include "mainwindow/settings_pages/tile_style_editing.h"
#include "model/folder_store.h"
#include "platform/main_bundle.h"
#include "platform/property_list.h"
#include "platform/software_updater.h"
#include "settings/localization.h"
#include "support/gui_doubles.h"
#include "support/recording_helper_actions.h"
#include "support/settings_harness.h"
#include "support/string_table_bundle.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using namespace tessly::testing;

class CountingUpdater final : public SoftwareUpdater {
public:
    void start() override {}
    void checkForUpdates() override { ++checks; }
    int checks = 0;
};

/// The control of the row or labelled group titled `title` on `page`.
QWidget* controlTitled(QWidget& page, const QString& title) {
    for (SettingsRow* row : page.findChildren<SettingsRow*>()) {
        if (row->titleLabel()->text() == title) {
            return row->control();
        }
    }
    for (SettingsLabeledGroup* group : page.findChildren<SettingsLabeledGroup*>()) {
        if (group->titleLabel()->text() == title) {
            return group->content();
        }
    }
    return nullptr;
}

/// Moves a control the way a user at the keyboard does: a switch flips, a slider or a choice goes to its far
/// end (or back to the near one when it is there already).
void driveByKeyboard(QWidget* control) {
    if (qobject_cast<ToggleSwitch*>(control)) {
        QTest::keyClick(control, Qt::Key_Space);
    } else if (auto* slider = qobject_cast<NativeSlider*>(control)) {
        const double before = slider->value();
        QTest::keyClick(control, Qt::Key_End);
        if (slider->value() == before) {
            QTest::keyClick(control, Qt::Key_Home);
        }
    } else if (auto* picker = qobject_cast<SegmentedPicker*>(control)) {
        const int before = picker->selectedIndex();
        QTest::keyClick(control, Qt::Key_End);
        if (picker->selectedIndex() == before) {
            QTest::keyClick(control, Qt::Key_Home);
        }
    }
}

class SettingsPagesTest : public ::testing::Test, protected SettingsHarness {
protected:
    SettingsPagesTest() {
        center.addObserver("popupSettingsChanged", [this](const Notification&) { ++popupAnnouncements; });
        center.addObserver("tileAppearanceChanged", [this](const Notification&) { ++tileAnnouncements; });
    }

    /// Two folders, A and B, in the store.
    void addFolders() {
        a = AppFolder{QUuid::createUuid(), "A", "folder.fill", {}, true, {}, time.now()};
        b = AppFolder{QUuid::createUuid(), "B", "folder.fill", {}, false, {}, time.now()};
        store.setFoldersForTesting({a, b});
    }

    static void press(QWidget* widget, Qt::Key key) { QTest::keyClick(widget, key); }

    /// Every control a user can reach with Tab has a name a screen reader can speak.
    static void expectAccessibleNames(QWidget& page) {
        for (QWidget* child : page.findChildren<QWidget*>()) {
            if ((child->focusPolicy() & Qt::TabFocus) && child->isVisibleTo(&page) && child->isEnabled()) {
                EXPECT_FALSE(child->accessibleName().isEmpty()) << child->metaObject()->className();
            }
        }
    }

    QString bundlePath = makeStringTableBundle(home);
    MainBundle bundle{bundlePath, {}};
    Localization l10n{make(), bundle};
    RecordingHelperActions helpers;
    FolderStore store{home.paths(), helpers, center, time, time, console};
    FakeSymbolImages symbols;
    FakeWorkspaceIcons icons;
    AppFolder a;
    AppFolder b;
    int popupAnnouncements = 0;
    int tileAnnouncements = 0;
};

TEST(SettingsControlsTest, TheSwitchTogglesBySpaceAndShowsStoredValuesSilently) {
    ToggleSwitch toggle;
    QSignalSpy byUser(&toggle, &ToggleSwitch::toggledByUser);
    toggle.setCheckedSilently(true);
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_EQ(byUser.count(), 0);
    QTest::keyClick(&toggle, Qt::Key_Space);
    EXPECT_FALSE(toggle.isChecked());
    ASSERT_EQ(byUser.count(), 1);
    EXPECT_EQ(byUser.at(0).at(0).toBool(), false);
    EXPECT_EQ(toggle.focusPolicy(), Qt::TabFocus);
}

TEST(SettingsControlsTest, TheSliderKeepsItsRangeWhateverTheKeysOrThePointerAsk) {
    NativeSlider slider(kPopupIconSizeSlider);
    slider.resize(slider.sizeHint());
    QSignalSpy byUser(&slider, &NativeSlider::valueChangedByUser);
    slider.setValue(52);
    EXPECT_EQ(byUser.count(), 0);
    QTest::keyClick(&slider, Qt::Key_PageUp);
    EXPECT_EQ(slider.value(), 62.0);
    QTest::keyClick(&slider, Qt::Key_PageUp);
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(slider.value(), 72.0);
    QTest::keyClick(&slider, Qt::Key_Home);
    QTest::keyClick(&slider, Qt::Key_Left);
    EXPECT_EQ(slider.value(), 40.0);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(slider.width() - 1, slider.height() / 2));
    EXPECT_EQ(slider.value(), 72.0);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(0, slider.height() / 2));
    EXPECT_EQ(slider.value(), 40.0);
    // Home at the minimum already changes nothing and says nothing.
    const auto heard = byUser.count();
    QTest::keyClick(&slider, Qt::Key_Home);
    EXPECT_EQ(byUser.count(), heard);
    EXPECT_EQ(NativeSlider::kTrackHeight, 5);
    EXPECT_EQ(NativeSlider::kThumbSize, 17);
}

TEST(SettingsControlsTest, TheSegmentedPickerMovesByArrowsAndClicksAndStopsAtItsEnds) {
    SegmentedPicker picker;
    picker.setOptions({"One", "Two", "Three"});
    picker.resize(picker.sizeHint());
    picker.setSelectedIndex(0);
    QSignalSpy byUser(&picker, &SegmentedPicker::selectedByUser);
    QTest::keyClick(&picker, Qt::Key_Left);
    EXPECT_EQ(byUser.count(), 0);
    QTest::keyClick(&picker, Qt::Key_Right);
    EXPECT_EQ(picker.selectedIndex(), 1);
    EXPECT_EQ(picker.accessibleDescription(), "Two");
    QTest::mouseClick(&picker, Qt::LeftButton, {}, picker.segmentRect(2).center().toPoint());
    EXPECT_EQ(picker.selectedIndex(), 2);
    QTest::keyClick(&picker, Qt::Key_End);
    EXPECT_EQ(byUser.count(), 2);
    picker.setOptions({"Only"});
    EXPECT_EQ(picker.selectedIndex(), -1);
}

TEST_F(SettingsPagesTest, GeneralSwitchesWriteTheirSettingsAndTheLanguageSwitchesThePageLive) {
    GeneralSettingsView page(*settings, l10n);
    QTest::keyClick(page.launchAtLoginSwitch(), Qt::Key_Space);
    EXPECT_TRUE(settings->launchAtLogin());
    EXPECT_EQ(loginItems.calls, QStringList{"register"});
    EXPECT_EQ(page.launchAtLoginSwitch()->accessibleName(), "Launch at login");

    const int ukrainian = page.languagePicker()->findText("Українська");
    ASSERT_GE(ukrainian, 0);
    page.languagePicker()->setCurrentIndex(ukrainian);
    emit page.languagePicker()->activated(ukrainian);
    EXPECT_EQ(settings->language(), AppLanguage::ukrainian);
    EXPECT_EQ(page.launchAtLoginSwitch()->accessibleName(), "Запускати під час входу");
    EXPECT_EQ(page.title(), "Загальні");
    // The languages keep their own names.
    EXPECT_GE(page.languagePicker()->findText("English"), 0);

    // A change made elsewhere (the onboarding, another window) shows at once.
    settings->setShowMenuBar(true);
    EXPECT_TRUE(page.showMenuBarSwitch()->isChecked());
    expectAccessibleNames(page);
}

TEST_F(SettingsPagesTest, PopupColumnsOfferThreeToSixAndEachChoiceIsAnnouncedOnce) {
    PopupSettingsView page(*settings, l10n);
    EXPECT_EQ(page.columnsPicker()->options(), (QStringList{"3", "4", "5", "6"}));
    EXPECT_EQ(page.columnsPicker()->selectedIndex(), 0);
    QTest::keyClick(page.columnsPicker(), Qt::Key_Right);
    QTest::keyClick(page.columnsPicker(), Qt::Key_Right);
    EXPECT_EQ(settings->popupColumns(), 5);
    EXPECT_EQ(popupAnnouncements, 2);

    auto* iconSize = static_cast<NativeSlider*>(page.iconSizeRow()->control());
    QTest::keyClick(iconSize, Qt::Key_End);
    EXPECT_EQ(settings->popupIconSize(), 72.0);
    EXPECT_EQ(page.iconSizeRow()->valueLabel()->text(), "72 pt");
    settings->setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(page.iconSizeRow()->valueLabel()->text(), "72 пт");
    expectAccessibleNames(page);
}

// Each control of the popup page writes its own setting, under its own key, and no other: a control wired to
// its neighbour's setting fails here.
TEST_F(SettingsPagesTest, EachPopupControlWritesItsOwnKey) {
    PopupSettingsView page(*settings, l10n);
    const QList<std::pair<const char*, const char*>> rows{{"settings.popup.show_title", "popupShowTitle"},
                                                          {"settings.popup.show_names", "popupShowAppName"},
                                                          {"settings.popup.icon_size", "popupIconSize"},
                                                          {"settings.popup.columns", "popupColumns"},
                                                          {"settings.popup.opacity", "popupOpacity"},
                                                          {"settings.popup.position", "popupPosition"},
                                                          {"settings.popup.animation", "popupAnimationStyle"},
                                                          {"settings.popup.blur", "popupBlurStyle"}};
    for (const auto& [title, key] : rows) {
        QWidget* control = controlTitled(page, l10n.localizedString(QString::fromLatin1(title)));
        ASSERT_NE(control, nullptr) << title;
        const std::optional<PlistValue> before = defaults.object(QString::fromLatin1(key));
        defaults.writes.clear();
        driveByKeyboard(control);
        EXPECT_EQ(defaults.writes, QStringList{QString::fromLatin1(key)}) << title;
        EXPECT_TRUE(defaults.object(QString::fromLatin1(key)) != before)
            << title << ": a new value is stored";
    }
}

// Each control of the tile page changes its own field of the shown folder's tile style in the folder file,
// and no other.
TEST_F(SettingsPagesTest, EachTileControlWritesItsOwnKeyOfTheFoldersTileStyle) {
    addFolders();
    AppFolder bordered = store.folders()[0];
    bordered.tileStyle.borderEnabled = true; // so that the border's width and opacity can be moved
    store.updateFolder(bordered);
    AppearanceSettingsView page(*settings, l10n, store, symbols, icons);
    const auto savedStyle = [this] {
        const QJsonArray folders = QJsonDocument::fromJson(TempHome::read(store.saveURL())).array();
        return folders.at(0).toObject().value("tileStyle").toObject();
    };
    const QList<std::pair<const char*, const char*>> rows{
        {"settings.tile.folder_icon", "displayFolderIcon"},
        {"settings.appearance.corner_radius", "cornerRadius"},
        {"settings.appearance.tile_opacity", "opacity"},
        {"settings.tile.border.width", "borderWidth"},
        {"settings.tile.border.opacity", "borderOpacity"},
        {"settings.tile.background_mode", "backgroundMode"},
        {"settings.tile.border", "borderEnabled"}};
    for (const auto& [title, key] : rows) {
        QWidget* control = controlTitled(page, l10n.localizedString(QString::fromLatin1(title)));
        ASSERT_NE(control, nullptr) << title;
        const QJsonObject before = savedStyle();
        driveByKeyboard(control);
        const QJsonObject after = savedStyle();
        QStringList changed;
        for (auto it = after.begin(); it != after.end(); ++it) {
            if (before.value(it.key()) != it.value()) {
                changed.append(it.key());
            }
        }
        EXPECT_EQ(changed, QStringList{QString::fromLatin1(key)}) << title;
    }
    page.colorCircles().at(static_cast<int>(TileBackground::green))->click();
    EXPECT_EQ(savedStyle().value("backgroundStyle").toString(), "green");
    EXPECT_EQ(store.folders()[1].tileStyle, TileStyleSettings{}) << "the other folder keeps its style";
}

// The switch for the folder's symbol shows the stored choice and the preview follows it.
TEST_F(SettingsPagesTest, TheFolderSymbolSwitchShowsTheStoredChoiceOfEachFolder) {
    addFolders();
    AppFolder withSymbol = b;
    withSymbol.tileStyle.displayFolderIcon = true;
    store.updateFolder(withSymbol);
    AppearanceSettingsView page(*settings, l10n, store, symbols, icons);
    EXPECT_FALSE(page.folderIconSwitch()->isChecked());
    QTest::keyClick(page.preview(), Qt::Key_Right);
    EXPECT_TRUE(page.folderIconSwitch()->isChecked()) << "B's own choice";
    EXPECT_EQ(page.folderIconSwitch()->accessibleName(), "Show folder symbol");
    settings->setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(page.folderIconSwitch()->accessibleName(), QString::fromUtf8("Показувати символ папки"));
}

TEST_F(SettingsPagesTest, ATileChangeReachesOnlyTheFolderThePreviewShows) {
    addFolders();
    AppearanceSettingsView page(*settings, l10n, store, symbols, icons);
    EXPECT_EQ(page.preview()->shownFolderForTesting(), a.id);
    auto* radius = static_cast<NativeSlider*>(page.cornerRadiusRow()->control());
    QTest::keyClick(radius, Qt::Key_Right);
    EXPECT_EQ(store.folders()[0].tileStyle.cornerRadius, 13.0);
    EXPECT_EQ(store.folders()[1].tileStyle, TileStyleSettings{});
    EXPECT_EQ(tileAnnouncements, 1);
    EXPECT_EQ(page.cornerRadiusRow()->valueLabel()->text(), "13 pt");

    // To the next folder: its own style shows, and changes go to it.
    QTest::keyClick(page.preview(), Qt::Key_Right);
    EXPECT_EQ(page.selectedPreviewID(), b.id);
    EXPECT_EQ(radius->value(), 12.0);
    page.colorCircles().at(static_cast<int>(TileBackground::purple))->click();
    EXPECT_EQ(store.folders()[1].tileStyle.backgroundStyle, TileBackground::purple);
    EXPECT_EQ(store.folders()[0].tileStyle.backgroundStyle, TileBackground::light);
    EXPECT_TRUE(page.colorCircles().at(static_cast<int>(TileBackground::purple))->isChosen());
    expectAccessibleNames(page);
}

TEST_F(SettingsPagesTest, TheBorderRowsFollowTheBorderSwitchAndAllControlsWaitForAFolder) {
    AppearanceSettingsView page(*settings, l10n, store, symbols, icons);
    EXPECT_FALSE(page.cornerRadiusRow()->isEnabledTo(&page));
    EXPECT_FALSE(page.preview()->shownFolderForTesting());
    addFolders();
    EXPECT_TRUE(page.cornerRadiusRow()->isEnabledTo(&page));
    EXPECT_FALSE(page.borderWidthRow()->isEnabledTo(&page));
    QTest::keyClick(page.borderSwitch(), Qt::Key_Space);
    EXPECT_TRUE(store.folders()[0].tileStyle.borderEnabled);
    EXPECT_TRUE(page.borderWidthRow()->isEnabledTo(&page));
}

TEST_F(SettingsPagesTest, ACustomColourIsStoredAsItsHexAndBadHexTextChangesNothing) {
    addFolders();
    AppearanceSettingsView page(*settings, l10n, store, symbols, icons);
    page.openCustomColorPicker();
    CustomColorPickerPopover* picker = page.customColorPicker();
    ASSERT_TRUE(picker);
    picker->hexField()->setText("#ff0000");
    emit picker->hexField()->editingFinished();
    EXPECT_EQ(store.folders()[0].tileStyle.backgroundStyle, TileBackground::custom);
    EXPECT_EQ(store.folders()[0].tileStyle.customHex, "FF0000");
    EXPECT_EQ(picker->hexField()->text(), "FF0000");

    const QByteArray saved = TempHome::read(store.saveURL());
    picker->hexField()->setText("FF00G0");
    emit picker->hexField()->editingFinished();
    EXPECT_TRUE(picker->hexError()->isVisibleTo(picker));
    EXPECT_EQ(picker->hexField()->text(), "FF00G0");
    EXPECT_EQ(TempHome::read(store.saveURL()), saved);

    // Dragging in the hue strip changes the hue of the colour kept.
    QTest::keyClick(picker->hueStrip(), Qt::Key_Right);
    EXPECT_FALSE(picker->hexError()->isVisibleTo(picker));
    EXPECT_NE(store.folders()[0].tileStyle.customHex, "FF0000");
    EXPECT_EQ(store.folders()[1].tileStyle.customHex, std::nullopt);
}

TEST_F(SettingsPagesTest, AboutShowsTheBundlesVersionAndAsksTheUpdaterToCheck) {
    CountingUpdater updater;
    AboutView page(*settings, l10n, bundle, updater);
    EXPECT_EQ(page.versionLabel()->text(), "Version 2.4.1");
    page.checkForUpdatesButton()->click();
    EXPECT_EQ(updater.checks, 1);
    settings->setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(page.versionLabel()->text(), "Версія 2.4.1");
    expectAccessibleNames(page);
}

// The tagline says what Tessly does where it runs: no other platform's Dock.
TEST_F(SettingsPagesTest, TheAboutTaglineNamesNoOtherPlatform) {
    CountingUpdater updater;
    AboutView page(*settings, l10n, bundle, updater);
    EXPECT_EQ(page.taglineLabel()->text(), "Organize the Dock of your desktop with elegant app folders.");
    settings->setLanguage(AppLanguage::ukrainian);
    EXPECT_FALSE(page.taglineLabel()->text().contains("macOS")) << page.taglineLabel()->text().toStdString();
    EXPECT_TRUE(page.taglineLabel()->text().contains("Dock"));
}

// Qt's own texts (a dialog's buttons) speak the chosen language, switched as the language changes; without
// Qt's translation files they stay in English and nothing else happens.
TEST_F(SettingsPagesTest, QtsOwnTextsFollowTheChosenLanguage) {
    const auto cancelText = [] {
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        return box.button(QDialogButtonBox::Cancel)->text().remove('&');
    };
    EXPECT_EQ(cancelText(), "Cancel");
    EXPECT_FALSE(l10n.hasQtTranslationForTesting());
    QDialogButtonBox shown(QDialogButtonBox::Cancel);
    settings->setLanguage(AppLanguage::ukrainian);
    ASSERT_TRUE(l10n.hasQtTranslationForTesting())
        << "qtbase_uk.qm is installed with the program's dependencies";
    EXPECT_EQ(cancelText(), QString::fromUtf8("Скасувати"));
    QCoreApplication::processEvents(); // Qt tells its widgets of the change with a posted event
    EXPECT_EQ(shown.button(QDialogButtonBox::Cancel)->text().remove('&'), QString::fromUtf8("Скасувати"))
        << "a dialog already open follows too";
    settings->setLanguage(AppLanguage::english);
    EXPECT_FALSE(l10n.hasQtTranslationForTesting());
    EXPECT_EQ(cancelText(), "Cancel");

    // Where Qt's translations are missing.
    Localization without(*settings, bundle, &console, home.path() + "/no-translations");
    settings->setLanguage(AppLanguage::ukrainian);
    EXPECT_FALSE(without.hasQtTranslationForTesting());
    EXPECT_EQ(without.localizedString("settings.tab.general"), QString::fromUtf8("Загальні"))
        << "the program's own texts do not depend on Qt's";
}

TEST_F(SettingsPagesTest, OnboardingRunsOnReturnAppliesTheWorkflowDefaultAndFinishesWithoutANewFolder) {
    settings->setPopupPosition(PopupPosition::center);
    QList<bool> finishes;
    OnboardingView page(*settings, l10n, bundle, symbols, [&finishes](bool flag) { finishes.append(flag); });
    EXPECT_FALSE(page.backButton()->isVisibleTo(&page));
    QTest::keyClick(&page, Qt::Key_Return);
    EXPECT_EQ(page.flow().step(), OnboardingStep::workflow);
    EXPECT_EQ(settings->popupPosition(), PopupPosition::aboveDock);
    EXPECT_TRUE(page.aboveDockCard()->isChosen());

    page.centerCard()->click();
    EXPECT_EQ(settings->popupPosition(), PopupPosition::center);
    EXPECT_TRUE(page.centerCard()->isChosen());
    EXPECT_FALSE(page.aboveDockCard()->isChosen());

    page.nextButton()->click();
    EXPECT_EQ(page.nextButton()->text(), "Get Started");
    page.lightThemeCard()->click();
    EXPECT_EQ(settings->appTheme(), AppThemeMode::light);
    QTest::keyClick(page.menuBarSwitch(), Qt::Key_Space);
    EXPECT_TRUE(settings->showMenuBar());
    expectAccessibleNames(page);
    EXPECT_TRUE(finishes.isEmpty());
    QTest::keyClick(&page, Qt::Key_Enter);
    EXPECT_EQ(finishes, QList<bool>{false});
}

} // namespace
} // namespace tessly

namespace tessly {
namespace {

TEST(SettingsControlsTest, RightToLeftArrowsPointTheWayTheyLookAndADisabledSwitchIgnoresKeys) {
    NativeSlider slider(kCornerRadiusSlider);
    slider.setLayoutDirection(Qt::RightToLeft);
    slider.setValue(12);
    QTest::keyClick(&slider, Qt::Key_Left);
    EXPECT_EQ(slider.value(), 13.0);
    QTest::keyClick(&slider, Qt::Key_Up);
    EXPECT_EQ(slider.value(), 14.0);

    ToggleSwitch toggle;
    toggle.setEnabled(false);
    QSignalSpy byUser(&toggle, &ToggleSwitch::toggledByUser);
    QTest::keyClick(&toggle, Qt::Key_Space);
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_EQ(byUser.count(), 0);
}

TEST(SettingsControlsTest, ARowShowsItsSubtitleAndValueOnlyWhenThereAreSome) {
    SettingsRow row(new ToggleSwitch);
    row.setTitle("Border");
    EXPECT_FALSE(row.subtitleLabel()->isVisibleTo(&row));
    EXPECT_EQ(row.valueLabel(), nullptr);
    row.setSubtitle("Around the tile");
    EXPECT_TRUE(row.subtitleLabel()->isVisibleTo(&row));
    EXPECT_EQ(row.control()->accessibleDescription(), "Around the tile");
    row.setSubtitle("");
    EXPECT_FALSE(row.subtitleLabel()->isVisibleTo(&row));
    row.setValueText("3 pt");
    ASSERT_NE(row.valueLabel(), nullptr);
    EXPECT_EQ(row.valueLabel()->text(), "3 pt");
}

TEST_F(SettingsPagesTest, ThePagesAndThePickerWindowFollowTheThemeAtOnce) {
    addFolders();
    settings->setAppTheme(AppThemeMode::dark);
    AppearanceSettingsView page(*settings, l10n, store, symbols, icons);
    page.openCustomColorPicker();
    CustomColorPickerPopover* picker = page.customColorPicker();
    ASSERT_TRUE(picker);
    const auto background = [](const QWidget& w) { return w.palette().color(kSectionBackgroundRole); };
    EXPECT_EQ(background(page), settingsColors(AppThemeMode::dark).sectionBackground);
    EXPECT_EQ(background(*picker), settingsColors(AppThemeMode::dark).sectionBackground);
    settings->setAppTheme(AppThemeMode::light);
    EXPECT_EQ(background(page), settingsColors(AppThemeMode::light).sectionBackground);
    EXPECT_EQ(background(*picker->square()), settingsColors(AppThemeMode::light).sectionBackground);
}

TEST_F(SettingsPagesTest, ADragAcrossThePreviewStepsOnlyWhenItGoesFarEnough) {
    addFolders();
    AppearanceSettingsView page(*settings, l10n, store, symbols, icons);
    TilePreviewView* preview = page.preview();
    preview->resize(preview->sizeHint());
    const QPoint start(preview->width() / 2, preview->height() / 2);
    const auto drag = [&](int dx) {
        QTest::mousePress(preview, Qt::LeftButton, {}, start);
        QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(dx, 0)),
                         preview->mapToGlobal(QPointF(start + QPoint(dx, 0))), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(preview, &move);
        QTest::mouseRelease(preview, Qt::LeftButton, {}, start + QPoint(dx, 0));
    };
    drag(-20);
    EXPECT_EQ(page.selectedPreviewID(), std::nullopt);
    EXPECT_EQ(preview->dragOffset(), 0.0);
    drag(-static_cast<int>(kPreviewDragThreshold) - 10);
    EXPECT_EQ(page.selectedPreviewID(), b.id);
    EXPECT_EQ(preview->shownFolderForTesting(), b.id);
    drag(200);
    EXPECT_EQ(page.selectedPreviewID(), a.id);
    EXPECT_FALSE(preview->previousButton()->isEnabled());
    EXPECT_TRUE(preview->nextButton()->isEnabled());
}

TEST_F(SettingsPagesTest,
       WhenTheEditedFolderIsDeletedThePageEditsTheFirstAndAnUnreadableCustomColourStillOpens) {
    addFolders();
    AppearanceSettingsView page(*settings, l10n, store, symbols, icons);
    page.setSelectedPreviewID(b.id);
    AppFolder broken = a;
    broken.tileStyle.backgroundStyle = TileBackground::custom;
    broken.tileStyle.customHex = QStringLiteral("not a colour");
    store.setFoldersForTesting({broken});
    EXPECT_EQ(page.preview()->shownFolderForTesting(), a.id);
    EXPECT_TRUE(page.colorCircles().back()->isChosen());
    // The picker starts from the plate the tile shows for a colour it cannot read: the light one.
    page.colorCircles().back()->click();
    ASSERT_TRUE(page.customColorPicker());
    EXPECT_EQ(page.customColorPicker()->hexField()->text(), "F2F2F2");
    EXPECT_EQ(store.folders()[0].tileStyle.customHex, "not a colour");
    // A swatch is stored as its own colour.
    const QList<ColorCircle*> swatches = page.customColorPicker()->findChildren<ColorCircle*>();
    ASSERT_FALSE(swatches.isEmpty());
    swatches.first()->click();
    EXPECT_EQ(store.folders()[0].tileStyle.customHex, customHexText(swatches.first()->color()));
}

TEST_F(SettingsPagesTest, OnboardingGoesBackWithoutApplyingTheDefaultAgainAndSpeaksTheLanguageChosen) {
    OnboardingView page(*settings, l10n, bundle, symbols, [](bool) {});
    page.nextButton()->click();
    page.centerCard()->click();
    const int announcements = popupAnnouncements;
    page.backButton()->click();
    EXPECT_EQ(page.flow().step(), OnboardingStep::welcome);
    EXPECT_FALSE(page.backButton()->isVisibleTo(&page));
    page.nextButton()->click();
    EXPECT_EQ(settings->popupPosition(), PopupPosition::center);
    EXPECT_EQ(popupAnnouncements, announcements);
    EXPECT_EQ(page.nextButton()->text(), "Continue");
    settings->setLanguage(AppLanguage::ukrainian);
    EXPECT_EQ(page.nextButton()->text(), "Далі");
    EXPECT_EQ(page.centerCard()->accessibleName(), "По центру екрана");
}

} // namespace
} // namespace tessly
