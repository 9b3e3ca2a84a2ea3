// The tile appearance page: a live preview of one folder's Dock tile and the controls of that folder's tile
// style (its symbol or its applications' icons, corner radius, opacity, border, fill and colour, with a
// custom colour picker).
//
//     auto* page = new AppearanceSettingsView(settings, l10n, store, symbols, icons);
//
// The page edits the tile style of the folder its preview shows (`selectedPreviewID`; the first folder until
// the user steps to another). Each change hands a copy of that folder with the changed style to the folder
// store, which saves it and has the folder's helper redraw its tile; the preview follows the store. Without
// folders the preview says so and the controls are disabled. Main thread only.
#pragma once

#include "mainwindow/settings_pages/settings_page.h"

#include <QList>
#include <QUuid>
#include <optional>

namespace tessly {

class ColorCircle;
class CustomColorPickerPopover;
class FolderStore;
class SegmentedPicker;
class SettingsLabeledGroup;
class SettingsRow;
class SettingsSection;
class SymbolImages;
class TilePreviewView;
class ToggleSwitch;
class WorkspaceIcons;
struct TileStyleSettings;

class AppearanceSettingsView final : public SettingsPage {
    Q_OBJECT

public:
    AppearanceSettingsView(AppSettings& settings, const Localization& l10n, FolderStore& store,
                           const SymbolImages& symbols, const WorkspaceIcons& icons,
                           QWidget* parent = nullptr);
    ~AppearanceSettingsView() override;

    [[nodiscard]] QString titleKey() const override { return QStringLiteral("settings.tab.appearance"); }

    /// The folder whose tile style the page edits, as the user chose it; nothing until they step.
    [[nodiscard]] const std::optional<QUuid>& selectedPreviewID() const { return m_selectedPreviewID; }
    void setSelectedPreviewID(std::optional<QUuid> id);

    [[nodiscard]] TilePreviewView* preview() const { return m_preview; }
    [[nodiscard]] SettingsRow* cornerRadiusRow() const { return m_cornerRadiusRow; }
    [[nodiscard]] SettingsRow* opacityRow() const { return m_opacityRow; }
    [[nodiscard]] SettingsRow* borderWidthRow() const { return m_borderWidthRow; }
    [[nodiscard]] ToggleSwitch* borderSwitch() const { return m_border; }
    /// On: the tile shows the folder's symbol; off: its first applications' icons.
    [[nodiscard]] ToggleSwitch* folderIconSwitch() const { return m_folderIcon; }
    [[nodiscard]] SegmentedPicker* backgroundModePicker() const { return m_mode; }
    /// One circle per background, in the order of the enumeration; the last opens the custom picker.
    [[nodiscard]] const QList<ColorCircle*>& colorCircles() const { return m_circles; }
    /// Made when first opened.
    [[nodiscard]] CustomColorPickerPopover* customColorPicker() const { return m_picker; }
    void openCustomColorPicker();

protected:
    void retranslate() override;
    void refreshValues() override;
    [[nodiscard]] bool showsSetting(AppSettings::Field field) const override;

private:
    void change(const std::function<void(TileStyleSettings&)>& edit);
    void chooseBackground(int index);

    FolderStore& m_store;
    std::optional<QUuid> m_selectedPreviewID;
    TilePreviewView* m_preview;
    SettingsSection* m_previewSection;
    SettingsSection* m_tileSection;
    SettingsSection* m_fillSection;
    SettingsRow* m_folderIconRow;
    SettingsRow* m_cornerRadiusRow;
    SettingsRow* m_opacityRow;
    SettingsRow* m_borderRow;
    SettingsRow* m_borderWidthRow;
    SettingsRow* m_borderOpacityRow;
    ToggleSwitch* m_folderIcon;
    ToggleSwitch* m_border;
    SegmentedPicker* m_mode;
    SettingsLabeledGroup* m_modeGroup;
    SettingsLabeledGroup* m_colorsGroup;
    QList<ColorCircle*> m_circles;
    CustomColorPickerPopover* m_picker = nullptr;
};

} // namespace tessly
