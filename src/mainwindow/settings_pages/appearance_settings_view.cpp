#include "mainwindow/settings_pages/appearance_settings_view.h"

#include "mainwindow/controls/color_circle.h"
#include "mainwindow/controls/segmented_picker.h"
#include "mainwindow/controls/settings_controls.h"
#include "mainwindow/controls/toggle_switch.h"
#include "mainwindow/settings_pages/custom_color_picker_popover.h"
#include "mainwindow/settings_pages/settings_values.h"
#include "mainwindow/settings_pages/tile_preview_view.h"
#include "mainwindow/settings_pages/tile_style_editing.h"
#include "model/folder_store.h"
#include "settings/localization.h"
#include "tile/tile_colors.h"

#include <QHBoxLayout>

namespace tessly {

namespace {

/// The colour a background's circle shows: the tile's own plate colour, opaque.
QColor circleColor(TileBackground background) {
    TileStyleSettings style;
    style.backgroundStyle = background;
    style.opacity = 1.0;
    QColor color = plateBaseColor(style);
    color.setAlpha(255);
    return color;
}

QString colorNameKey(TileBackground background) {
    if (background == TileBackground::custom) {
        return QStringLiteral("settings.appearance.custom_color");
    }
    return QStringLiteral("settings.appearance.color.") + rawText(background);
}

/// The style the controls show: the edited folder's, or the default one (disabled) without folders.
TileStyleSettings shownStyle(const FolderStore& store, const std::optional<QUuid>& selected) {
    const auto index = previewFolderIndex(store.folders(), selected);
    return index ? store.folders().at(*index).tileStyle : TileStyleSettings{};
}

} // namespace

AppearanceSettingsView::AppearanceSettingsView(AppSettings& settings, const Localization& l10n,
                                               FolderStore& store, const SymbolImages& symbols,
                                               const WorkspaceIcons& icons, QWidget* parent)
    : SettingsPage(settings, l10n, parent), m_store(store),
      m_preview(new TilePreviewView(settings, symbols, icons)), m_previewSection(new SettingsSection),
      m_tileSection(new SettingsSection), m_fillSection(new SettingsSection), m_folderIcon(new ToggleSwitch),
      m_border(new ToggleSwitch), m_mode(new SegmentedPicker) {
    SettingsPageBody* body = makePageBody();

    body->addSection(m_previewSection)->addRow(m_preview);

    body->addSection(m_tileSection);
    m_folderIconRow = m_tileSection->addRow(new SettingsRow(m_folderIcon));
    m_cornerRadiusRow = m_tileSection->addRow(makeSliderRow(
        kCornerRadiusSlider, [this](double v) { change([v](auto& s) { s.cornerRadius = v; }); }));
    m_opacityRow = m_tileSection->addRow(
        makeSliderRow(kTileOpacitySlider, [this](double v) { change([v](auto& s) { s.opacity = v; }); }));
    m_borderRow = m_tileSection->addRow(new SettingsRow(m_border));
    m_borderWidthRow = m_tileSection->addRow(
        makeSliderRow(kBorderWidthSlider, [this](double v) { change([v](auto& s) { s.borderWidth = v; }); }));
    m_borderOpacityRow = m_tileSection->addRow(makeSliderRow(
        kBorderOpacitySlider, [this](double v) { change([v](auto& s) { s.borderOpacity = v; }); }));

    body->addSection(m_fillSection);
    m_modeGroup = m_fillSection->addRow(new SettingsLabeledGroup(m_mode));
    auto* circles = new QWidget;
    auto* circlesLayout = new QHBoxLayout(circles);
    circlesLayout->setContentsMargins(0, 0, 0, 0);
    circlesLayout->setSpacing(2);
    for (const TileBackground background : allCases<TileBackground>()) {
        auto* circle = new ColorCircle(circleColor(background));
        if (background == TileBackground::custom) {
            circle->setColor(QColor());
            circle->setShowsHueRing(true);
        }
        const int index = static_cast<int>(m_circles.size());
        connect(circle, &QAbstractButton::clicked, this, [this, index] { chooseBackground(index); });
        circlesLayout->addWidget(circle);
        m_circles.append(circle);
    }
    circlesLayout->addStretch(1);
    m_colorsGroup = m_fillSection->addRow(new SettingsLabeledGroup(circles));

    connect(m_folderIcon, &ToggleSwitch::toggledByUser, this,
            [this](bool on) { change([on](auto& s) { s.displayFolderIcon = on; }); });
    connect(m_border, &ToggleSwitch::toggledByUser, this,
            [this](bool on) { change([on](auto& s) { s.borderEnabled = on; }); });
    connect(m_mode, &SegmentedPicker::selectedByUser, this, [this](int index) {
        const auto mode = allCases<TileBackgroundMode>().at(static_cast<std::size_t>(index));
        change([mode](auto& s) { s.backgroundMode = mode; });
    });
    connect(m_preview, &TilePreviewView::stepRequested, this, [this](int delta) {
        setSelectedPreviewID(steppedPreviewFolder(m_store.folders(), m_selectedPreviewID, delta));
    });
    connect(&m_store, &FolderStore::changed, this, [this](FolderStore::Field field) {
        if (field == FolderStore::Field::folders) {
            refreshValues();
        }
    });
    finishSetup();
}

AppearanceSettingsView::~AppearanceSettingsView() = default;

void AppearanceSettingsView::setSelectedPreviewID(std::optional<QUuid> id) {
    m_selectedPreviewID = std::move(id);
    refreshValues();
}

void AppearanceSettingsView::change(const std::function<void(TileStyleSettings&)>& edit) {
    applyTileStyleChange(m_store, m_selectedPreviewID, edit);
}

void AppearanceSettingsView::chooseBackground(int index) {
    const TileBackground background = allCases<TileBackground>().at(static_cast<std::size_t>(index));
    if (background != TileBackground::custom) {
        change([background](auto& s) { s.backgroundStyle = background; });
        return;
    }
    openCustomColorPicker();
}

void AppearanceSettingsView::openCustomColorPicker() {
    if (!previewFolderIndex(m_store.folders(), m_selectedPreviewID)) {
        return;
    }
    if (!m_picker) {
        m_picker = new CustomColorPickerPopover(l10n(), this);
        connect(m_picker, &CustomColorPickerPopover::colorChosen, this, [this](const QColor& color) {
            const auto hex = customHexText(color);
            if (!hex) {
                return;
            }
            change([&hex](auto& s) {
                s.backgroundStyle = TileBackground::custom;
                s.customHex = *hex;
            });
        });
    }
    const TileStyleSettings style = shownStyle(m_store, m_selectedPreviewID);
    // The picker starts from the folder's custom colour, or from the colour the plate has now.
    const auto custom = style.customHex ? parseCustomHex(*style.customHex) : std::nullopt;
    m_picker->setColor(custom ? *custom : circleColor(style.backgroundStyle));
    m_picker->popUpBelow(m_circles.back());
}

void AppearanceSettingsView::retranslate() {
    m_previewSection->setTitle(text(QStringLiteral("settings.appearance.preview")));
    m_preview->setAccessibleName(text(QStringLiteral("settings.appearance.preview")));
    m_preview->setTexts(text(QStringLiteral("Create a folder to preview tile styles")),
                        text(QStringLiteral("settings.appearance.preview.previous")),
                        text(QStringLiteral("settings.appearance.preview.next")));
    m_folderIconRow->setTitle(text(QStringLiteral("settings.tile.folder_icon")));
    m_folderIconRow->setSubtitle(text(QStringLiteral("settings.tile.folder_icon.subtitle")));
    m_cornerRadiusRow->setTitle(text(QStringLiteral("settings.appearance.corner_radius")));
    m_opacityRow->setTitle(text(QStringLiteral("settings.appearance.tile_opacity")));
    m_borderRow->setTitle(text(QStringLiteral("settings.tile.border")));
    m_borderWidthRow->setTitle(text(QStringLiteral("settings.tile.border.width")));
    m_borderOpacityRow->setTitle(text(QStringLiteral("settings.tile.border.opacity")));
    m_modeGroup->setTitle(text(QStringLiteral("settings.tile.background_mode")));
    m_mode->setOptions({text(QStringLiteral("settings.tile.background_mode.solid")),
                        text(QStringLiteral("settings.tile.background_mode.gradient")),
                        text(QStringLiteral("settings.tile.background_mode.glass"))});
    m_colorsGroup->setTitle(text(QStringLiteral("settings.appearance.background")));
    const auto backgrounds = allCases<TileBackground>();
    for (qsizetype i = 0; i < m_circles.size(); ++i) {
        const QString name = text(colorNameKey(backgrounds.at(static_cast<std::size_t>(i))));
        m_circles.at(i)->setAccessibleName(name);
        m_circles.at(i)->setToolTip(name);
    }
    if (m_picker) {
        m_picker->retranslate();
    }
    refreshValues();
}

void AppearanceSettingsView::refreshValues() {
    const QList<AppFolder>& folders = m_store.folders();
    const auto index = previewFolderIndex(folders, m_selectedPreviewID);
    if (index) {
        m_preview->showFolder(folders.at(*index), static_cast<int>(*index), static_cast<int>(folders.size()));
    } else {
        m_preview->showNoFolder();
    }
    const TileStyleSettings style = shownStyle(m_store, m_selectedPreviewID);
    const bool editable = index.has_value();
    m_tileSection->setEnabled(editable);
    m_fillSection->setEnabled(editable);
    showSliderValue(m_cornerRadiusRow, style.cornerRadius);
    showSliderValue(m_opacityRow, style.opacity);
    showSliderValue(m_borderWidthRow, style.borderWidth);
    showSliderValue(m_borderOpacityRow, style.borderOpacity);
    m_folderIcon->setCheckedSilently(style.displayFolderIcon);
    m_border->setCheckedSilently(style.borderEnabled);
    // The border's width and opacity mean nothing while there is no border.
    m_borderWidthRow->setEnabled(style.borderEnabled);
    m_borderOpacityRow->setEnabled(style.borderEnabled);
    const auto modes = allCases<TileBackgroundMode>();
    m_mode->setSelectedIndex(
        static_cast<int>(std::find(modes.begin(), modes.end(), style.backgroundMode) - modes.begin()));
    const auto backgrounds = allCases<TileBackground>();
    for (qsizetype i = 0; i < m_circles.size(); ++i) {
        m_circles.at(i)->setChosen(editable &&
                                   backgrounds.at(static_cast<std::size_t>(i)) == style.backgroundStyle);
    }
    const auto custom = style.customHex ? parseCustomHex(*style.customHex) : std::nullopt;
    m_circles.back()->setColor(style.backgroundStyle == TileBackground::custom && custom ? *custom
                                                                                         : QColor());
}

bool AppearanceSettingsView::showsSetting(AppSettings::Field field) const {
    // The preview draws with the icon padding and, for glass, the theme.
    return field == AppSettings::Field::tileIconPadding || field == AppSettings::Field::appTheme;
}

} // namespace tessly
