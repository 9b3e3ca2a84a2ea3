// The small enumerations of folder styles and settings, each stored by its raw text.
//
//     QString text = rawText(TileBackground::purple);                  // "purple"
//     std::optional<PopupBlur> blur = fromRawText<PopupBlur>("dark");
//     for (TileBackground b : allCases<TileBackground>()) ...
//
// `DockEdge` has no raw text and is never stored. Plain values; use them from any thread.
#pragma once

#include <QString>
#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace tessly {

enum class TileBackground { frosted, dark, light, blue, green, red, orange, pink, purple, yellow, custom };
enum class TileBackgroundMode { solid, gradient, glass };
enum class AppLanguage { english, ukrainian };
enum class AppThemeMode { dark, light };
enum class PopupPosition { center, aboveDock };
enum class PopupBlur { thin, regular, dark };
enum class PopupAnimation { spring, none };
enum class DockEdge { bottom, left, right };

/// The cases of a stored enumeration with their raw texts, in declaration order.
template <typename E> struct EnumCases;

template <> struct EnumCases<TileBackground> {
    static constexpr std::array<std::pair<TileBackground, std::string_view>, 11> list{{
        {TileBackground::frosted, "frosted"},
        {TileBackground::dark, "dark"},
        {TileBackground::light, "light"},
        {TileBackground::blue, "blue"},
        {TileBackground::green, "green"},
        {TileBackground::red, "red"},
        {TileBackground::orange, "orange"},
        {TileBackground::pink, "pink"},
        {TileBackground::purple, "purple"},
        {TileBackground::yellow, "yellow"},
        {TileBackground::custom, "custom"},
    }};
};
template <> struct EnumCases<TileBackgroundMode> {
    static constexpr std::array<std::pair<TileBackgroundMode, std::string_view>, 3> list{{
        {TileBackgroundMode::solid, "solid"},
        {TileBackgroundMode::gradient, "gradient"},
        {TileBackgroundMode::glass, "glass"},
    }};
};
template <> struct EnumCases<AppLanguage> {
    static constexpr std::array<std::pair<AppLanguage, std::string_view>, 2> list{{
        {AppLanguage::english, "en"},
        {AppLanguage::ukrainian, "uk"},
    }};
};
template <> struct EnumCases<AppThemeMode> {
    static constexpr std::array<std::pair<AppThemeMode, std::string_view>, 2> list{{
        {AppThemeMode::dark, "dark"},
        {AppThemeMode::light, "light"},
    }};
};
template <> struct EnumCases<PopupPosition> {
    static constexpr std::array<std::pair<PopupPosition, std::string_view>, 2> list{{
        {PopupPosition::center, "center"},
        {PopupPosition::aboveDock, "aboveDock"},
    }};
};
template <> struct EnumCases<PopupBlur> {
    static constexpr std::array<std::pair<PopupBlur, std::string_view>, 3> list{{
        {PopupBlur::thin, "thin"},
        {PopupBlur::regular, "regular"},
        {PopupBlur::dark, "dark"},
    }};
};
template <> struct EnumCases<PopupAnimation> {
    static constexpr std::array<std::pair<PopupAnimation, std::string_view>, 2> list{{
        {PopupAnimation::spring, "spring"},
        {PopupAnimation::none, "none"},
    }};
};

/// Every case, in declaration order.
template <typename E> [[nodiscard]] constexpr auto allCases() {
    std::array<E, EnumCases<E>::list.size()> cases{};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        cases[i] = EnumCases<E>::list[i].first;
    }
    return cases;
}

template <typename E> [[nodiscard]] QString rawText(E value) {
    for (const auto& [c, text] : EnumCases<E>::list) {
        if (c == value) {
            return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
        }
    }
    return {};
}

/// The case whose raw text is exactly `text` (case-sensitive), or nothing.
template <typename E> [[nodiscard]] std::optional<E> fromRawText(QStringView text) {
    for (const auto& [c, raw] : EnumCases<E>::list) {
        if (text == QLatin1StringView(raw.data(), static_cast<qsizetype>(raw.size()))) {
            return c;
        }
    }
    return std::nullopt;
}

} // namespace tessly
