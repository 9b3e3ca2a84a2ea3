// Every user preference of the program: its default, its place in the user defaults, and who hears of a
// change.
//
//     AppSettings settings(defaults, center, distributedCenter, loginItems, console, paths,
//                          bundle.bundleIdentifier(), clock);
//     QObject::connect(&settings, &AppSettings::changed, view, [view](AppSettings::Field field) { ... });
//     settings.setPopupColumns(5);       // stores 5 under "popupColumns", posts "popupSettingsChanged"
//     settings.reloadFromDefaults();     // a helper catching up with the main application; writes nothing
//
// Construction reads each setting once, without writing or posting anything. Each setter assigns the value,
// emits `changed` when it differs from the old one, and then runs the field's change handler even when it
// does not: the value is written and announced again, so that a helper which missed the first announcement
// catches up on the next assignment. While `isUpdating` is true the change handlers do nothing;
// `reloadFromDefaults` relies on that to re-read every setting without echoing it back.
//
// One instance per process, owned by the composition root. Main thread only; observers run there too.
#pragma once

#include "model/enumerations.h"
#include "platform/date.h"
#include "platform/paths.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

namespace tessly {

class Clock;
class Console;
class DistributedNotificationCenter;
class LoginItemService;
class NotificationCenter;
class UserDefaults;

/// The onboarding flag as one preferences file holds it.
struct OnboardingFlagSnapshot {
    bool value = false;
    /// The file's modification time; the distant past when it cannot be read.
    Date modifiedAt = Date::distantPast();
};

/// The flag stored under "hasCompletedOnboarding" in the property-list file at `path` (a boolean, or a number
/// read as non-zero); nothing when the file does not read, is not a dictionary, or holds no such value.
[[nodiscard]] std::optional<OnboardingFlagSnapshot> readOnboardingFlagSnapshot(const QString& path);

// The settings kept in the user defaults, described once: the member that holds the value and its type, the
// default, the key in the user defaults, and the local notification that announces a change (none: nobody
// listens). The storage, the reading, the writing after a change and the reload are all driven from this
// list; what a change does besides (the login item, the language list, the theme's broadcast, the column
// count's clamping) is in AppSettings::runChangeHandler. Adding a setting: a line here, a Field, and its
// accessors.
#define TESSLY_STORED_SETTINGS(X)                                                                            \
    X(launchAtLogin, bool, false, "launchAtLogin", none)                                                     \
    X(language, AppLanguage, AppLanguage::english, "language", kLanguageChanged)                             \
    X(showMenuBar, bool, false, "showMenuBar", kShowMenuBarChanged)                                          \
    X(appTheme, AppThemeMode, AppThemeMode::dark, "appTheme", kThemeChanged)                                 \
    X(tileOpacity, double, 1.0, "tileOpacity", kTileAppearanceChanged)                                       \
    X(tileCornerRadius, double, 12.0, "tileCornerRadius", kTileAppearanceChanged)                            \
    X(tileBackgroundStyle, TileBackground, TileBackground::frosted, "tileBackgroundStyle",                   \
      kTileAppearanceChanged)                                                                                \
    X(tileBackgroundMode, TileBackgroundMode, TileBackgroundMode::solid, "tileBackgroundMode",               \
      kTileAppearanceChanged)                                                                                \
    X(tileBorderEnabled, bool, true, "tileBorderEnabled", kTileAppearanceChanged)                            \
    X(tileBorderWidth, double, 1.0, "tileBorderWidth", kTileAppearanceChanged)                               \
    X(tileBorderOpacity, double, 0.3, "tileBorderOpacity", kTileAppearanceChanged)                           \
    X(tileIconPadding, double, 4.0, "tileIconPadding", kTileAppearanceChanged)                               \
    X(popupShowTitle, bool, true, "popupShowTitle", kPopupSettingsChanged)                                   \
    X(popupColumns, int, kMinimumPopupColumns, "popupColumns", kPopupSettingsChanged)                        \
    X(popupIconSize, double, 52.0, "popupIconSize", kPopupSettingsChanged)                                   \
    X(popupShowAppName, bool, true, "popupShowAppName", kPopupSettingsChanged)                               \
    X(popupPosition, PopupPosition, PopupPosition::aboveDock, "popupPosition", kPopupSettingsChanged)        \
    X(popupBlurStyle, PopupBlur, PopupBlur::thin, "popupBlurStyle", kPopupSettingsChanged)                   \
    X(popupOpacity, double, 0.95, "popupOpacity", kPopupSettingsChanged)                                     \
    X(popupAnimationStyle, PopupAnimation, PopupAnimation::spring, "popupAnimationStyle",                    \
      kPopupSettingsChanged)                                                                                 \
    X(singleClickOpensPopup, bool, true, "singleClickOpensPopup", none)

class AppSettings final : public QObject {
    Q_OBJECT

public:
    /// The settings, in declaration order; the argument of `changed`.
    enum class Field {
        isUpdating,
        launchAtLogin,
        language,
        showMenuBar,
        appTheme,
        hasCompletedOnboarding,
        tileOpacity,
        tileCornerRadius,
        tileBackgroundStyle,
        tileBackgroundMode,
        tileBorderEnabled,
        tileBorderWidth,
        tileBorderOpacity,
        tileIconPadding,
        popupShowTitle,
        popupColumns,
        popupIconSize,
        popupShowAppName,
        popupPosition,
        popupBlurStyle,
        popupOpacity,
        popupAnimationStyle,
        singleClickOpensPopup,
        popupArrowOffset,
    };
    Q_ENUM(Field)

    /// The range of `popupColumns`; stored and assigned values outside it are clamped into it.
    static constexpr int kMinimumPopupColumns = 3;
    static constexpr int kMaximumPopupColumns = 6;

    /// Reads every setting from `defaults`. `bundleIdentifier` names the onboarding snapshot files and the
    /// persistent domain consulted for the onboarding flag; without one those sources are skipped. `clock`
    /// dates the folders read from the folder file while deciding whether this is an existing user.
    AppSettings(UserDefaults& defaults, NotificationCenter& center,
                DistributedNotificationCenter& distributedCenter, LoginItemService& loginItems,
                Console& console, const Paths& paths, std::optional<QString> bundleIdentifier, Clock& clock,
                QObject* parent = nullptr);
    ~AppSettings() override;

    /// Before any window or menu exists: the stored interface language (English when none, or one the program
    /// does not know) becomes the only entry of "AppleLanguages", so that the platform's own texts follow it.
    static void applyLanguageDefaults(UserDefaults& defaults);

    /// Re-reads every stored setting except `hasCompletedOnboarding`, telling observers of each that changed;
    /// writes and posts nothing. `popupArrowOffset` keeps its value.
    void reloadFromDefaults();

    /// True only while `reloadFromDefaults` runs (or while a caller has set it); change handlers then do
    /// nothing.
    [[nodiscard]] bool isUpdating() const { return m_isUpdating; }
    [[nodiscard]] bool launchAtLogin() const { return m_stored.launchAtLogin; }
    [[nodiscard]] AppLanguage language() const { return m_stored.language; }
    [[nodiscard]] bool showMenuBar() const { return m_stored.showMenuBar; }
    [[nodiscard]] AppThemeMode appTheme() const { return m_stored.appTheme; }
    [[nodiscard]] bool hasCompletedOnboarding() const { return m_hasCompletedOnboarding; }
    [[nodiscard]] double tileOpacity() const { return m_stored.tileOpacity; }
    [[nodiscard]] double tileCornerRadius() const { return m_stored.tileCornerRadius; }
    [[nodiscard]] TileBackground tileBackgroundStyle() const { return m_stored.tileBackgroundStyle; }
    [[nodiscard]] TileBackgroundMode tileBackgroundMode() const { return m_stored.tileBackgroundMode; }
    [[nodiscard]] bool tileBorderEnabled() const { return m_stored.tileBorderEnabled; }
    [[nodiscard]] double tileBorderWidth() const { return m_stored.tileBorderWidth; }
    [[nodiscard]] double tileBorderOpacity() const { return m_stored.tileBorderOpacity; }
    [[nodiscard]] double tileIconPadding() const { return m_stored.tileIconPadding; }
    [[nodiscard]] bool popupShowTitle() const { return m_stored.popupShowTitle; }
    /// Always within kMinimumPopupColumns…kMaximumPopupColumns, except transiently while an out-of-range
    /// assignment is being clamped (observers hear the assigned value, then the clamped one).
    [[nodiscard]] int popupColumns() const { return m_stored.popupColumns; }
    [[nodiscard]] double popupIconSize() const { return m_stored.popupIconSize; }
    [[nodiscard]] bool popupShowAppName() const { return m_stored.popupShowAppName; }
    [[nodiscard]] PopupPosition popupPosition() const { return m_stored.popupPosition; }
    [[nodiscard]] PopupBlur popupBlurStyle() const { return m_stored.popupBlurStyle; }
    [[nodiscard]] double popupOpacity() const { return m_stored.popupOpacity; }
    [[nodiscard]] PopupAnimation popupAnimationStyle() const { return m_stored.popupAnimationStyle; }
    [[nodiscard]] bool singleClickOpensPopup() const { return m_stored.singleClickOpensPopup; }
    /// Where the popup's arrow points, written by the popup panel for the popup outline; never stored.
    [[nodiscard]] double popupArrowOffset() const { return m_popupArrowOffset; }

    void setIsUpdating(bool value);
    /// Also registers or unregisters the login item; a failure is printed and the choice kept.
    void setLaunchAtLogin(bool value);
    /// Also stores the code as the only entry of "AppleLanguages", for the platform's own texts.
    void setLanguage(AppLanguage value);
    void setShowMenuBar(bool value);
    /// Posts the local and then the distributed theme notification.
    void setAppTheme(AppThemeMode value);
    /// Also mirrors the flag into the container preferences file.
    void setHasCompletedOnboarding(bool value);
    void setTileOpacity(double value);
    void setTileCornerRadius(double value);
    void setTileBackgroundStyle(TileBackground value);
    void setTileBackgroundMode(TileBackgroundMode value);
    void setTileBorderEnabled(bool value);
    void setTileBorderWidth(double value);
    void setTileBorderOpacity(double value);
    void setTileIconPadding(double value);
    void setPopupShowTitle(bool value);
    /// Out-of-range values are clamped: the field ends within range and one notification is posted.
    void setPopupColumns(int value);
    void setPopupIconSize(double value);
    void setPopupShowAppName(bool value);
    void setPopupPosition(PopupPosition value);
    void setPopupBlurStyle(PopupBlur value);
    void setPopupOpacity(double value);
    void setPopupAnimationStyle(PopupAnimation value);
    /// Stored only; nothing is announced.
    void setSingleClickOpensPopup(bool value);
    void setPopupArrowOffset(double value);

    /// "~/Library/Containers/<id>/Data/Library/Preferences/<id>.plist", or nothing without a usable
    /// identifier.
    [[nodiscard]] std::optional<QString> containerPreferencesFile() const;

signals:
    /// A field's value changed (not emitted for an assignment of the value it already had).
    void changed(AppSettings::Field field);

private:
    /// The settings kept in the user defaults, other than the onboarding flag (which has its own sources).
    struct StoredValues {
#define TESSLY_STORED_MEMBER(member, Type, fallback, key, announcement) Type member = fallback;
        TESSLY_STORED_SETTINGS(TESSLY_STORED_MEMBER)
#undef TESSLY_STORED_MEMBER
    };

    [[nodiscard]] static StoredValues readStoredValues(const UserDefaults& defaults);
    [[nodiscard]] bool initialOnboardingValue() const;
    [[nodiscard]] std::optional<QString> usableBundleIdentifier() const;

    template <typename T> void assign(T& slot, T value, Field field);
    void runChangeHandler(Field field);
    /// Writes the field's value under its key and posts its notification; whether it had a row in the table.
    bool storeAndAnnounce(Field field);
    void postLocal(const QString& name);
    void updateLoginItem();
    void handlePopupColumnsChange();
    void mirrorOnboardingIntoContainer();

    UserDefaults& m_defaults;
    NotificationCenter& m_center;
    DistributedNotificationCenter& m_distributedCenter;
    LoginItemService& m_loginItems;
    Console& m_console;
    Paths m_paths;
    std::optional<QString> m_bundleIdentifier;
    Clock& m_clock;

    bool m_isUpdating = false;
    StoredValues m_stored;
    bool m_hasCompletedOnboarding = false;
    double m_popupArrowOffset = 0.0;
};

} // namespace tessly
