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
#include <limits>
#include <type_traits>

namespace tessly {

namespace {

namespace keys {
const QString kAppleLanguages = QStringLiteral("AppleLanguages");
const QString kHasCompletedOnboarding = QStringLiteral("hasCompletedOnboarding");
} // namespace keys

// The notification a stored setting announces its change with: one of the program's names, or none.
namespace announcements {
using namespace notification_names;
const QString none;
} // namespace announcements

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

template <typename T> T readValue(const UserDefaults& defaults, const QString& key, T fallback) {
    if constexpr (std::is_same_v<T, bool>) {
        return readBool(defaults, key, fallback);
    } else if constexpr (std::is_same_v<T, double>) {
        return readDouble(defaults, key, fallback);
    } else if constexpr (std::is_same_v<T, int>) {
        return static_cast<int>(std::clamp<std::int64_t>(readInteger(defaults, key, fallback),
                                                         std::numeric_limits<int>::min(),
                                                         std::numeric_limits<int>::max()));
    } else {
        return readEnumeration(defaults, key, fallback);
    }
}

template <typename T> void writeValue(UserDefaults& defaults, const QString& key, T value) {
    if constexpr (std::is_same_v<T, bool>) {
        defaults.setBool(key, value);
    } else if constexpr (std::is_same_v<T, double>) {
        defaults.setDouble(key, value);
    } else if constexpr (std::is_same_v<T, int>) {
        defaults.setInteger(key, value);
    } else {
        defaults.setString(key, rawText(value));
    }
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
    const AppLanguage language =
        readEnumeration(defaults, QStringLiteral("language"), StoredValues{}.language);
    defaults.setStringArray(keys::kAppleLanguages, QStringList{rawText(language)});
}

AppSettings::StoredValues AppSettings::readStoredValues(const UserDefaults& defaults) {
    const StoredValues fallback;
    StoredValues v;
#define TESSLY_READ_STORED(member, Type, defaultValue, key, announcement)                                    \
    v.member = readValue<Type>(defaults, QStringLiteral(key), fallback.member);
    TESSLY_STORED_SETTINGS(TESSLY_READ_STORED)
#undef TESSLY_READ_STORED
    v.popupColumns = clampedPopupColumns(v.popupColumns);
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
#define TESSLY_RELOAD_STORED(member, Type, fallback, key, announcement)                                      \
    assign(m_stored.member, read.member, Field::member);
    TESSLY_STORED_SETTINGS(TESSLY_RELOAD_STORED)
#undef TESSLY_RELOAD_STORED
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

bool AppSettings::storeAndAnnounce(Field field) {
    switch (field) {
#define TESSLY_STORE_STORED(member, Type, fallback, key, announcement)                                       \
    case Field::member:                                                                                      \
        writeValue(m_defaults, QStringLiteral(key), m_stored.member);                                        \
        if (!announcements::announcement.isEmpty()) {                                                        \
            postLocal(announcements::announcement);                                                          \
        }                                                                                                    \
        return true;
        TESSLY_STORED_SETTINGS(TESSLY_STORE_STORED)
#undef TESSLY_STORE_STORED
    default:
        return false;
    }
}

void AppSettings::runChangeHandler(Field field) {
    if (m_isUpdating) {
        return;
    }
    switch (field) {
    case Field::hasCompletedOnboarding:
        m_defaults.setBool(keys::kHasCompletedOnboarding, m_hasCompletedOnboarding);
        mirrorOnboardingIntoContainer();
        return;
    case Field::popupColumns:
        // Stored clamped; a value out of range is put right, and the correction is what is announced.
        handlePopupColumnsChange();
        return;
    case Field::language:
        // The platform's own list of languages follows, before the change is announced.
        m_defaults.setStringArray(keys::kAppleLanguages, QStringList{rawText(m_stored.language)});
        break;
    default:
        break;
    }
    if (!storeAndAnnounce(field)) {
        return;
    }
    if (field == Field::launchAtLogin) {
        updateLoginItem();
    } else if (field == Field::appTheme) {
        m_distributedCenter.post(notification_names::kTSThemeChanged);
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
    m_defaults.setInteger(QStringLiteral("popupColumns"), clamped);
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
