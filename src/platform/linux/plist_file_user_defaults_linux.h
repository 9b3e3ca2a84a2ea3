// User defaults kept in a property-list file, "~/Library/Preferences/<domain>.plist", shared by every process
// of the same bundle identifier.
//
//     PlistFileUserDefaults defaults(paths, "app.tessly.Tessly", console);
//     defaults.setBool("showMenuBar", true);
//
// A write takes an exclusive lock (a ".lock" file next to the preferences file), re-reads the file, changes
// its one key and replaces the file atomically, so two processes writing different keys lose neither. A read
// checks the file's identity (inode, size, modification time) and re-reads it when another process has
// replaced it. A damaged file reads as empty; the first write after that moves it aside
// ("<file>.damaged-<date>") and says so on the console, and writes nothing if it cannot be moved. The file
// keeps its format; a new file is binary.
//
// Main thread only.
#pragma once

#include "platform/console.h"
#include "platform/paths.h"
#include "platform/user_defaults.h"

#include <QString>
#include <functional>
#include <sys/types.h>

namespace tessly {

class PlistFileUserDefaults final : public UserDefaults {
public:
    PlistFileUserDefaults(const Paths& paths, const QString& domain, Console& console);

    [[nodiscard]] std::optional<PlistValue> object(const QString& key) const override;
    void setObject(const QString& key, const PlistValue& value) override;
    void removeObject(const QString& key) override;
    [[nodiscard]] std::optional<PlistDictionary> persistentDomain(const QString& domainName) const override;

    [[nodiscard]] const QString& filePath() const { return m_path; }

private:
    struct FileStamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long mtimeNanoseconds = 0;
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };
    struct Contents {
        PlistDictionary values;
        PlistFormat format = PlistFormat::Binary;
        bool damaged = false;
        /// False when the file exists but cannot be opened: it must not be replaced.
        bool readable = true;
    };

    [[nodiscard]] static FileStamp stampOf(const QString& path);
    [[nodiscard]] static Contents readContents(const QString& path);
    void refreshIfChanged() const;
    void modify(const QString& key, const std::function<bool(PlistDictionary&)>& change);

    Paths m_paths;
    QString m_path;
    Console& m_console;
    mutable FileStamp m_stamp;
    mutable Contents m_cache;
    mutable bool m_loaded = false;
};

} // namespace tessly
