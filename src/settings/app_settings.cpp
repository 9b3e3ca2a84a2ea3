#include "settings/app_settings.h"

#include "model/folder_json.h"
#include "platform/bounded_file.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/distributed_notification_center.h"
#include "platform/file_aside.h"
#include "platform/login_item_service.h"
#include "platform/notification_center.h"
#include "platform/path_safety.h"
#include "platform/property_list.h"
#include "platform/user_defaults.h"
#include "settings/local_notification_names.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace tessly {

namespace {

namespace keys {
const QString kLaunchAtLogin = QStringLiteral("launchAtLogin");
const QString kLanguage = QStringLiteral("language");
const QString kAppleLanguages = QStringLiteral("AppleLanguages");
const QString kShowMenuBar = QStringLiteral("showMenuBar");
const QString kAppTheme = QStringLiteral("appTheme");
const QString kHasCompletedOnboarding = QStringLiteral("hasCompletedOnboarding");
const QString kTileOpacity = QStringLiteral("tileOpacity");
const QString kTileCornerRadius = QStringLiteral("tileCornerRadius");
const QString kTileBackgroundStyle = QStringLiteral("tileBackgroundStyle");
const QString kTileBackgroundMode = QStringLiteral("tileBackgroundMode");
const QString kTileBorderEnabled = QStringLiteral("tileBorderEnabled");
const QString kTileBorderWidth = QStringLiteral("tileBorderWidth");
const QString kTileBorderOpacity = QStringLiteral("tileBorderOpacity");
const QString kTileIconPadding = QStringLiteral("tileIconPadding");
const QString kPopupShowTitle = QStringLiteral("popupShowTitle");
const QString kPopupColumns = QStringLiteral("popupColumns");
const QString kPopupIconSize = QStringLiteral("popupIconSize");
const QString kPopupShowAppName = QStringLiteral("popupShowAppName");
const QString kPopupPosition = QStringLiteral("popupPosition");
const QString kPopupBlurStyle = QStringLiteral("popupBlurStyle");
const QString kPopupOpacity = QStringLiteral("popupOpacity");
const QString kPopupAnimationStyle = QStringLiteral("popupAnimationStyle");
const QString kSingleClickOpensPopup = QStringLiteral("singleClickOpensPopup");
} // namespace keys

// Each reader looks its key up once: a key is absent only when the defaults hold nothing at all for it; a
// value of another type takes the defaults' own conversion (false, 0), never the default.
bool readBool(const UserDefaults& defaults, const QString& key, bool fallback) {
    const auto value = defaults.object(key);
    return value ? plistBoolValue(*value) : fallback;
}

double readDouble(const UserDefaults& defaults, const QString& key, double fallback) {
    const auto value = defaults.object(key);
    return value ? plistDoubleValue(*value) : fallback;
}

std::int64_t readInteger(const UserDefaults& defaults, const QString& key, std::int64_t fallback) {
    const auto value = defaults.object(key);
    return value ? plistIntegerValue(*value) : fallback;
}

// Only a text can hold a raw text: the defaults' text reader also turns numbers into texts, but no raw text
// is a number, so those fall back exactly as they would through it.
template <typename E> E readEnumeration(const UserDefaults& defaults, const QString& key, E fallback) {
    const auto value = defaults.object(key);
    if (!value || !value->asString()) {
        return fallback;
    }
    return fromRawText<E>(*value->asString()).value_or(fallback);
}

int clampedPopupColumns(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, AppSettings::kMinimumPopupColumns,
                                                     AppSettings::kMaximumPopupColumns));
}

// A stored NaN must not count as a change on every reload.
template <typename T> bool sameValue(const T& a, const T& b) {
    if constexpr (std::is_floating_point_v<T>) {
        return a == b || (std::isnan(a) && std::isnan(b));
    } else {
        return a == b;
    }
}

Date modificationDate(const QString& path) {
    const QDateTime modified = QFileInfo(path).lastModified();
    if (!modified.isValid()) {
        return Date::distantPast();
    }
    return Date::fromTimeIntervalSince1970(static_cast<double>(modified.toMSecsSinceEpoch()) / 1000.0);
}

} // namespace

std::optional<OnboardingFlagSnapshot> readOnboardingFlagSnapshot(const QString& path) {
    const auto parsed = readPropertyListFile(path);
    if (!parsed) {
        return std::nullopt;
    }
    const PlistDictionary* root = parsed->root.asDictionary();
    if (!root) {
        return std::nullopt;
    }
    const PlistValue* flag = root->find(keys::kHasCompletedOnboarding);
    if (!flag || (!flag->asBoolean() && !flag->isNumber())) {
        return std::nullopt;
    }
    return OnboardingFlagSnapshot{plistBoolValue(*flag), modificationDate(path)};
}

AppSettings::AppSettings(UserDefaults& defaults, NotificationCenter& center,
                         DistributedNotificationCenter& distributedCenter, LoginItemService& loginItems,
                         Console& console, const Paths& paths, std::optional<QString> bundleIdentifier,
                         Clock& clock, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_center(center), m_distributedCenter(distributedCenter),
      m_loginItems(loginItems), m_console(console), m_paths(paths),
      m_bundleIdentifier(std::move(bundleIdentifier)), m_clock(clock), m_stored(readStoredValues(defaults)) {
    m_hasCompletedOnboarding = initialOnboardingValue();
}

AppSettings::~AppSettings() = default;

void AppSettings::applyLanguageDefaults(UserDefaults& defaults) {
    const AppLanguage language = readEnumeration(defaults, keys::kLanguage, StoredValues{}.language);
    defaults.setStringArray(keys::kAppleLanguages, QStringList{rawText(language)});
}

AppSettings::StoredValues AppSettings::readStoredValues(const UserDefaults& defaults) {
    const StoredValues fallback;
    StoredValues v;
    v.launchAtLogin = readBool(defaults, keys::kLaunchAtLogin, fallback.launchAtLogin);
    v.language = readEnumeration(defaults, keys::kLanguage, fallback.language);
    v.showMenuBar = readBool(defaults, keys::kShowMenuBar, fallback.showMenuBar);
    v.appTheme = readEnumeration(defaults, keys::kAppTheme, fallback.appTheme);
    v.tileOpacity = readDouble(defaults, keys::kTileOpacity, fallback.tileOpacity);
    v.tileCornerRadius = readDouble(defaults, keys::kTileCornerRadius, fallback.tileCornerRadius);
    v.tileBackgroundStyle =
        readEnumeration(defaults, keys::kTileBackgroundStyle, fallback.tileBackgroundStyle);
    v.tileBackgroundMode = readEnumeration(defaults, keys::kTileBackgroundMode, fallback.tileBackgroundMode);
    v.tileBorderEnabled = readBool(defaults, keys::kTileBorderEnabled, fallback.tileBorderEnabled);
    v.tileBorderWidth = readDouble(defaults, keys::kTileBorderWidth, fallback.tileBorderWidth);
    v.tileBorderOpacity = readDouble(defaults, keys::kTileBorderOpacity, fallback.tileBorderOpacity);
    v.tileIconPadding = readDouble(defaults, keys::kTileIconPadding, fallback.tileIconPadding);
    v.popupShowTitle = readBool(defaults, keys::kPopupShowTitle, fallback.popupShowTitle);
    v.popupColumns = clampedPopupColumns(readInteger(defaults, keys::kPopupColumns, fallback.popupColumns));
    v.popupIconSize = readDouble(defaults, keys::kPopupIconSize, fallback.popupIconSize);
    v.popupShowAppName = readBool(defaults, keys::kPopupShowAppName, fallback.popupShowAppName);
    v.popupPosition = readEnumeration(defaults, keys::kPopupPosition, fallback.popupPosition);
    v.popupBlurStyle = readEnumeration(defaults, keys::kPopupBlurStyle, fallback.popupBlurStyle);
    v.popupOpacity = readDouble(defaults, keys::kPopupOpacity, fallback.popupOpacity);
    v.popupAnimationStyle =
        readEnumeration(defaults, keys::kPopupAnimationStyle, fallback.popupAnimationStyle);
    v.singleClickOpensPopup =
        readBool(defaults, keys::kSingleClickOpensPopup, fallback.singleClickOpensPopup);
    return v;
}

std::optional<QString> AppSettings::usableBundleIdentifier() const {
    // The identifier becomes a file and folder name: one that could step outside those folders names no file.
    if (!m_bundleIdentifier || !isPlainFileName(*m_bundleIdentifier)) {
        return std::nullopt;
    }
    return m_bundleIdentifier;
}

std::optional<QString> AppSettings::containerPreferencesFile() const {
    const auto identifier = usableBundleIdentifier();
    if (!identifier) {
        return std::nullopt;
    }
    return m_paths.containers() + QLatin1Char('/') + *identifier +
           QStringLiteral("/Data/Library/Preferences/") + *identifier + QStringLiteral(".plist");
}

bool AppSettings::initialOnboardingValue() const {
    // The flag files come first because the flag may have been written by an earlier build that kept its
    // preferences elsewhere (inside the container); whichever file was written last knows best.
    if (const auto identifier = usableBundleIdentifier()) {
        const QString candidates[] = {m_paths.preferencesFile(*identifier), *containerPreferencesFile()};
        std::optional<OnboardingFlagSnapshot> newest;
        for (const QString& path : candidates) {
            const auto snapshot = readOnboardingFlagSnapshot(path);
            // Strictly later only: on equal dates the earlier candidate keeps its place.
            if (snapshot && (!newest || snapshot->modifiedAt > newest->modifiedAt)) {
                newest = snapshot;
            }
        }
        if (newest) {
            return newest->value;
        }
    }
    if (const auto value = m_defaults.object(keys::kHasCompletedOnboarding)) {
        return plistBoolValue(*value);
    }
    if (const auto identifier = usableBundleIdentifier()) {
        if (const auto domain = m_defaults.persistentDomain(*identifier)) {
            // A number in the platform's sense: booleans are stored as numbers there, so both count.
            const PlistValue* flag = domain->find(keys::kHasCompletedOnboarding);
            if (flag && (flag->asBoolean() || flag->isNumber())) {
                return plistBoolValue(*flag);
            }
        }
    }
    // Someone who already has folders has used the program before and need not be shown the introduction.
    const BoundedFileRead folderFile = readBoundedFile(m_paths.folderFile(), kFolderFileLimit);
    if (folderFile.status == BoundedFileRead::Status::Read) {
        const FolderListDecoding decoded = decodeFolderList(folderFile.bytes, m_clock.now());
        return decoded.folders && !decoded.folders->isEmpty();
    }
    return false;
}

void AppSettings::reloadFromDefaults() {
    setIsUpdating(true);
    const StoredValues read = readStoredValues(m_defaults);
    setLaunchAtLogin(read.launchAtLogin);
    setLanguage(read.language);
    setShowMenuBar(read.showMenuBar);
    setAppTheme(read.appTheme);
    setTileOpacity(read.tileOpacity);
    setTileCornerRadius(read.tileCornerRadius);
    setTileBackgroundStyle(read.tileBackgroundStyle);
    setTileBackgroundMode(read.tileBackgroundMode);
    setTileBorderEnabled(read.tileBorderEnabled);
    setTileBorderWidth(read.tileBorderWidth);
    setTileBorderOpacity(read.tileBorderOpacity);
    setTileIconPadding(read.tileIconPadding);
    setPopupShowTitle(read.popupShowTitle);
    setPopupColumns(read.popupColumns);
    setPopupIconSize(read.popupIconSize);
    setPopupShowAppName(read.popupShowAppName);
    setPopupPosition(read.popupPosition);
    setPopupBlurStyle(read.popupBlurStyle);
    setPopupOpacity(read.popupOpacity);
    setPopupAnimationStyle(read.popupAnimationStyle);
    setSingleClickOpensPopup(read.singleClickOpensPopup);
    setIsUpdating(false);
}

template <typename T> void AppSettings::assign(T& slot, T value, Field field) {
    const bool differs = !sameValue(slot, value);
    slot = value;
    if (differs) {
        emit changed(field);
    }
    runChangeHandler(field);
}

void AppSettings::setIsUpdating(bool value) {
    const bool differs = m_isUpdating != value;
    m_isUpdating = value;
    if (differs) {
        emit changed(Field::isUpdating);
    }
}

void AppSettings::setLaunchAtLogin(bool value) {
    assign(m_stored.launchAtLogin, value, Field::launchAtLogin);
}
void AppSettings::setLanguage(AppLanguage value) {
    assign(m_stored.language, value, Field::language);
}
void AppSettings::setShowMenuBar(bool value) {
    assign(m_stored.showMenuBar, value, Field::showMenuBar);
}
void AppSettings::setAppTheme(AppThemeMode value) {
    assign(m_stored.appTheme, value, Field::appTheme);
}
void AppSettings::setHasCompletedOnboarding(bool value) {
    assign(m_hasCompletedOnboarding, value, Field::hasCompletedOnboarding);
}
void AppSettings::setTileOpacity(double value) {
    assign(m_stored.tileOpacity, value, Field::tileOpacity);
}
void AppSettings::setTileCornerRadius(double value) {
    assign(m_stored.tileCornerRadius, value, Field::tileCornerRadius);
}
void AppSettings::setTileBackgroundStyle(TileBackground value) {
    assign(m_stored.tileBackgroundStyle, value, Field::tileBackgroundStyle);
}
void AppSettings::setTileBackgroundMode(TileBackgroundMode value) {
    assign(m_stored.tileBackgroundMode, value, Field::tileBackgroundMode);
}
void AppSettings::setTileBorderEnabled(bool value) {
    assign(m_stored.tileBorderEnabled, value, Field::tileBorderEnabled);
}
void AppSettings::setTileBorderWidth(double value) {
    assign(m_stored.tileBorderWidth, value, Field::tileBorderWidth);
}
void AppSettings::setTileBorderOpacity(double value) {
    assign(m_stored.tileBorderOpacity, value, Field::tileBorderOpacity);
}
void AppSettings::setTileIconPadding(double value) {
    assign(m_stored.tileIconPadding, value, Field::tileIconPadding);
}
void AppSettings::setPopupShowTitle(bool value) {
    assign(m_stored.popupShowTitle, value, Field::popupShowTitle);
}
void AppSettings::setPopupColumns(int value) {
    assign(m_stored.popupColumns, value, Field::popupColumns);
}
void AppSettings::setPopupIconSize(double value) {
    assign(m_stored.popupIconSize, value, Field::popupIconSize);
}
void AppSettings::setPopupShowAppName(bool value) {
    assign(m_stored.popupShowAppName, value, Field::popupShowAppName);
}
void AppSettings::setPopupPosition(PopupPosition value) {
    assign(m_stored.popupPosition, value, Field::popupPosition);
}
void AppSettings::setPopupBlurStyle(PopupBlur value) {
    assign(m_stored.popupBlurStyle, value, Field::popupBlurStyle);
}
void AppSettings::setPopupOpacity(double value) {
    assign(m_stored.popupOpacity, value, Field::popupOpacity);
}
void AppSettings::setPopupAnimationStyle(PopupAnimation value) {
    assign(m_stored.popupAnimationStyle, value, Field::popupAnimationStyle);
}
void AppSettings::setSingleClickOpensPopup(bool value) {
    assign(m_stored.singleClickOpensPopup, value, Field::singleClickOpensPopup);
}
void AppSettings::setPopupArrowOffset(double value) {
    assign(m_popupArrowOffset, value, Field::popupArrowOffset);
}

void AppSettings::postLocal(const QString& name) {
    m_center.post(name);
}

void AppSettings::runChangeHandler(Field field) {
    if (m_isUpdating) {
        return;
    }
    namespace names = notification_names;
    const StoredValues& v = m_stored;
    switch (field) {
    case Field::isUpdating:
    case Field::popupArrowOffset:
        return;
    case Field::launchAtLogin:
        m_defaults.setBool(keys::kLaunchAtLogin, v.launchAtLogin);
        updateLoginItem();
        return;
    case Field::language: {
        const QString code = rawText(v.language);
        m_defaults.setString(keys::kLanguage, code);
        m_defaults.setStringArray(keys::kAppleLanguages, QStringList{code});
        postLocal(names::kLanguageChanged);
        return;
    }
    case Field::showMenuBar:
        m_defaults.setBool(keys::kShowMenuBar, v.showMenuBar);
        postLocal(names::kShowMenuBarChanged);
        return;
    case Field::appTheme:
        m_defaults.setString(keys::kAppTheme, rawText(v.appTheme));
        postLocal(names::kThemeChanged);
        m_distributedCenter.post(names::kTSThemeChanged);
        return;
    case Field::hasCompletedOnboarding:
        m_defaults.setBool(keys::kHasCompletedOnboarding, m_hasCompletedOnboarding);
        mirrorOnboardingIntoContainer();
        return;
    case Field::tileOpacity:
        m_defaults.setDouble(keys::kTileOpacity, v.tileOpacity);
        postLocal(names::kTileAppearanceChanged);
        return;
    case Field::tileCornerRadius:
        m_defaults.setDouble(keys::kTileCornerRadius, v.tileCornerRadius);
        postLocal(names::kTileAppearanceChanged);
        return;
    case Field::tileBackgroundStyle:
        m_defaults.setString(keys::kTileBackgroundStyle, rawText(v.tileBackgroundStyle));
        postLocal(names::kTileAppearanceChanged);
        return;
    case Field::tileBackgroundMode:
        m_defaults.setString(keys::kTileBackgroundMode, rawText(v.tileBackgroundMode));
        postLocal(names::kTileAppearanceChanged);
        return;
    case Field::tileBorderEnabled:
        m_defaults.setBool(keys::kTileBorderEnabled, v.tileBorderEnabled);
        postLocal(names::kTileAppearanceChanged);
        return;
    case Field::tileBorderWidth:
        m_defaults.setDouble(keys::kTileBorderWidth, v.tileBorderWidth);
        postLocal(names::kTileAppearanceChanged);
        return;
    case Field::tileBorderOpacity:
        m_defaults.setDouble(keys::kTileBorderOpacity, v.tileBorderOpacity);
        postLocal(names::kTileAppearanceChanged);
        return;
    case Field::tileIconPadding:
        m_defaults.setDouble(keys::kTileIconPadding, v.tileIconPadding);
        postLocal(names::kTileAppearanceChanged);
        return;
    case Field::popupShowTitle:
        m_defaults.setBool(keys::kPopupShowTitle, v.popupShowTitle);
        postLocal(names::kPopupSettingsChanged);
        return;
    case Field::popupColumns:
        handlePopupColumnsChange();
        return;
    case Field::popupIconSize:
        m_defaults.setDouble(keys::kPopupIconSize, v.popupIconSize);
        postLocal(names::kPopupSettingsChanged);
        return;
    case Field::popupShowAppName:
        m_defaults.setBool(keys::kPopupShowAppName, v.popupShowAppName);
        postLocal(names::kPopupSettingsChanged);
        return;
    case Field::popupPosition:
        m_defaults.setString(keys::kPopupPosition, rawText(v.popupPosition));
        postLocal(names::kPopupSettingsChanged);
        return;
    case Field::popupBlurStyle:
        m_defaults.setString(keys::kPopupBlurStyle, rawText(v.popupBlurStyle));
        postLocal(names::kPopupSettingsChanged);
        return;
    case Field::popupOpacity:
        m_defaults.setDouble(keys::kPopupOpacity, v.popupOpacity);
        postLocal(names::kPopupSettingsChanged);
        return;
    case Field::popupAnimationStyle:
        m_defaults.setString(keys::kPopupAnimationStyle, rawText(v.popupAnimationStyle));
        postLocal(names::kPopupSettingsChanged);
        return;
    case Field::singleClickOpensPopup:
        m_defaults.setBool(keys::kSingleClickOpensPopup, v.singleClickOpensPopup);
        return;
    }
}

void AppSettings::updateLoginItem() {
    const auto error = m_stored.launchAtLogin ? m_loginItems.registerMainApplication()
                                              : m_loginItems.unregisterMainApplication();
    // The stored choice stays as the user made it: the next start (or the next toggle) tries again.
    if (error) {
        m_console.printLine(QStringLiteral("Failed to update launch at login: ") + *error);
    }
}

void AppSettings::handlePopupColumnsChange() {
    const int clamped = clampedPopupColumns(m_stored.popupColumns);
    m_defaults.setInteger(keys::kPopupColumns, clamped);
    if (clamped == m_stored.popupColumns) {
        postLocal(notification_names::kPopupSettingsChanged);
        return;
    }
    // Re-assigning runs this handler once more, now in range: it writes again and posts the one notification.
    setPopupColumns(clamped);
}

void AppSettings::mirrorOnboardingIntoContainer() {
    // The container file is read by builds that keep their preferences inside the container; failures here
    // are not the user's concern and leave the in-memory value as chosen.
    const auto path = containerPreferencesFile();
    if (!path) {
        return;
    }
    PlistDictionary root;
    const BoundedFileRead file = readBoundedFile(*path, kPropertyListFileLimit);
    // A file that exists but cannot be read is never replaced: we cannot know what it holds.
    if (file.status == BoundedFileRead::Status::Unreadable) {
        return;
    }
    if (file.status == BoundedFileRead::Status::Read) {
        auto parsed = readPropertyList(file.bytes);
        if (parsed && parsed->root.isDictionary()) {
            root = std::move(*parsed->root.asDictionary());
        } else {
            const auto aside = moveFileAside(*path, QStringLiteral("damaged"), m_clock.now());
            if (!aside) {
                return;
            }
            m_console.printLine(
                QStringLiteral("[AppSettings] Container preferences file was damaged; kept it as ") + *aside);
        }
    }
    root.set(keys::kHasCompletedOnboarding, PlistValue(m_hasCompletedOnboarding));
    if (!QDir().mkpath(QFileInfo(*path).absolutePath())) {
        return;
    }
    (void)writePropertyListFile(*path, PlistValue(std::move(root)), PlistFormat::Xml, nullptr,
                                LinkAtDestination::writeThrough);
}

} // namespace tessly
