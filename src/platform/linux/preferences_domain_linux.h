// Another application's preferences domain kept in "~/Library/Preferences/<domain>.plist", such as the
// Dock's "com.apple.dock".
//
//     PlistFilePreferencesDomain dock(paths, "com.apple.dock", console);
//     dock.synchronize();
//     auto apps = dock.copyValue("persistent-apps");
//
// The file store underneath (PlistFileUserDefaults) locks the file for each write, re-reads it first and
// keeps its format, binary or XML. synchronize() drops everything read so far, so the next read sees the
// file as the other application left it; writes reach the file at once. A domain name that is not a plain
// file name (empty, holding "/", starting with ".") is refused with a console line at construction; such a
// domain then reads as empty and ignores writes, and no file is touched.
//
// Main thread only.
#pragma once

#include "platform/console.h"
#include "platform/linux/plist_file_user_defaults_linux.h"
#include "platform/paths.h"
#include "platform/preferences_domain.h"

#include <memory>

namespace tessly {

class PlistFilePreferencesDomain final : public PreferencesDomain {
public:
    PlistFilePreferencesDomain(const Paths& paths, QString domain, Console& console);

    void synchronize() override;
    [[nodiscard]] std::optional<PlistValue> copyValue(const QString& key) const override;
    void setValue(const QString& key, const std::optional<PlistValue>& value) override;

    /// The domain's file; empty for a refused domain name.
    [[nodiscard]] QString filePath() const;

private:
    Paths m_paths;
    QString m_domain;
    Console& m_console;
    /// Null for a refused domain name.
    std::unique_ptr<PlistFileUserDefaults> m_store;
};

} // namespace tessly
