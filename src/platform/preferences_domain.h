// The preferences domain of another application, such as the Dock's "com.apple.dock".
//
//     dock.synchronize();
//     std::optional<PlistValue> size = dock.copyValue("tilesize");
//     dock.setValue("persistent-apps", PlistValue(kept));
//     dock.synchronize();
//
// synchronize() makes the values the application wrote since the last read visible, and writes this process's
// changes out. The file keeps its format (binary stays binary). Main thread only.
#pragma once

#include "platform/property_list.h"

#include <QString>
#include <optional>

namespace tessly {

class PreferencesDomain {
public:
    virtual ~PreferencesDomain() = default;
    virtual void synchronize() = 0;
    [[nodiscard]] virtual std::optional<PlistValue> copyValue(const QString& key) const = 0;
    /// Sets `key`, or removes it when `value` is empty.
    virtual void setValue(const QString& key, const std::optional<PlistValue>& value) = 0;
};

} // namespace tessly
