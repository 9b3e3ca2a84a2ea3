// Desktop entries on a temporary XDG data tree, a user's directory before a system one: which entries the
// desktop would show and under which identifier and name, what is skipped without a hang, and entries started
// through the workspace, whose program notes that it ran.
#include "platform/linux/desktop_applications_linux.h"
#include "platform/linux/system_linux.h"
#include "platform/linux/workspace_linux.h"
#include "support/run_events.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tessly {
namespace {

using testing::runEventsUntil;

/// An entry of an application whose program exists everywhere.
QByteArray entry(const QByteArray& name, const QByteArray& extraLines = {}) {
    return "[Desktop Entry]\nType=Application\nExec=true\nName=" + name + "\n" + extraLines;
}

class DesktopApplicationsTest : public ::testing::Test {
protected:
    [[nodiscard]] QString user() const { return root.path() + "/home/.local/share/applications"; }
    [[nodiscard]] QString system() const { return root.path() + "/usr/share/applications"; }

    static void write(const QString& path, const QByteArray& content) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(content);
    }

    /// Identifier → name of the entries found, in `language`.
    [[nodiscard]] QMap<QString, QString> found(const QString& language = {}) const {
        QMap<QString, QString> names;
        for (const DesktopApplication& application : applications.applications(language)) {
            EXPECT_FALSE(names.contains(application.identifier)) << application.identifier.toStdString();
            names.insert(application.identifier, application.name);
        }
        return names;
    }

    [[nodiscard]] QString pathOf(const QString& identifier) const {
        for (const DesktopApplication& application : applications.applications({})) {
            if (application.identifier == identifier) {
                return application.entryPath;
            }
        }
        return {};
    }

    QTemporaryDir root;
    LinuxDesktopApplications applications{{user(), system()}};
};

TEST_F(DesktopApplicationsTest, ShowsWhatTheDesktopsMenuWouldShow) {
    write(system() + "/shown.desktop", entry("Shown"));
    write(system() + "/hidden.desktop", entry("Hidden", "Hidden=true\n"));
    write(system() + "/not-displayed.desktop", entry("Not displayed", "NoDisplay=true\n"));
    write(system() + "/elsewhere.desktop", entry("Elsewhere", "OnlyShowIn=TesslyElsewhere;\n"));
    write(system() + "/not-elsewhere.desktop", entry("Not elsewhere", "NotShowIn=TesslyElsewhere;\n"));
    write(system() + "/try-exec.desktop", entry("Try exec", "TryExec=/nonexistent/tessly-program\n"));
    write(system() + "/missing-program.desktop",
          "[Desktop Entry]\nType=Application\nName=Missing\nExec=tessly-no-such-program %U\n");
    write(system() + "/link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org\n");
    write(system() + "/readme.txt", entry("Not an entry"));

    EXPECT_EQ(found(), (QMap<QString, QString>{{"shown", "Shown"}, {"not-elsewhere", "Not elsewhere"}}));
}

TEST_F(DesktopApplicationsTest, TheUsersEntryOverridesTheSystemsAndSubdirectoriesJoinTheIdentifier) {
    write(system() + "/org.example.Editor.desktop", entry("System editor"));
    write(user() + "/org.example.Editor.desktop", entry("My editor"));
    // Hidden in the user's directory means deleted: the system's entry is hidden with it.
    write(system() + "/removed.desktop", entry("Removed"));
    write(user() + "/removed.desktop", "[Desktop Entry]\nHidden=true\n");
    // An entry the user's directory holds but that fails to load still holds its identifier.
    write(system() + "/broken.desktop", entry("System broken"));
    write(user() + "/broken.desktop", "not a key file at all");
    write(system() + "/vendor/tool.desktop", entry("Tool"));
    write(system() + "/vendor/deeper/tool.desktop", entry("Deeper tool"));
    // The same identifier two ways in one directory: one of them.
    write(system() + "/a-b.desktop", entry("Flat"));
    write(system() + "/a/b.desktop", entry("Nested"));

    const QMap<QString, QString> names = found();

    EXPECT_EQ(names.value("org.example.Editor"), "My editor");
    EXPECT_EQ(pathOf("org.example.Editor"), user() + "/org.example.Editor.desktop");
    EXPECT_FALSE(names.contains("removed"));
    EXPECT_FALSE(names.contains("broken"));
    EXPECT_EQ(names.value("vendor-tool"), "Tool");
    EXPECT_EQ(names.value("vendor-deeper-tool"), "Deeper tool");
    EXPECT_TRUE(names.value("a-b") == "Flat" || names.value("a-b") == "Nested");
    EXPECT_EQ(names.size(), 4);
}

TEST_F(DesktopApplicationsTest, NamesComeInTheLanguageAskedForWhateverTheProcessSpeaks) {
    write(system() + "/files.desktop",
          entry("Files", "Name[uk]=Файли\nName[de]=Dateien\nName[en_GB]=Files of Britain\n"));
    write(system() + "/untranslated.desktop", entry("Untranslated"));

    EXPECT_EQ(found("uk").value("files"), "Файли");
    EXPECT_EQ(found("uk").value("untranslated"), "Untranslated");
    EXPECT_EQ(found("en").value("files"), "Files");
    EXPECT_EQ(found().value("files"), "Files");
}

TEST_F(DesktopApplicationsTest, HostileEntriesAreSkippedOrTamedWithoutAHang) {
    const QByteArray longName(10'000, 'n');
    write(system() + "/long.desktop", entry(longName));
    write(system() + "/controls.desktop", entry("Tab\\tand\\nline"));
    write(system() + "/no-name.desktop", "[Desktop Entry]\nType=Application\nExec=true\n");
    write(system() + "/blank-name.desktop", entry("   "));
    write(system() + "/bad-utf8.desktop", entry("\xff\xfe broken"));
    write(system() + "/no-group.desktop", "Type=Application\nExec=true\nName=No group\n");
    write(system() + "/unbalanced.desktop", entry("Unbalanced", "Exec=sh -c \"never closed\n"));
    write(system() + "/binary.desktop", QByteArray(4096, '\0'));
    // Links that end nowhere: a loop of two entries, and a directory that leads back up.
    QDir().mkpath(system());
    ASSERT_EQ(::symlink("loop-b.desktop", QFile::encodeName(system() + "/loop-a.desktop").constData()), 0);
    ASSERT_EQ(::symlink("loop-a.desktop", QFile::encodeName(system() + "/loop-b.desktop").constData()), 0);
    ASSERT_EQ(::symlink(".", QFile::encodeName(system() + "/again").constData()), 0);
    ASSERT_EQ(::symlink("..", QFile::encodeName(system() + "/up").constData()), 0);
    // A pipe is never opened for reading (it would block until someone writes).
    ASSERT_EQ(::mkfifo(QFile::encodeName(system() + "/pipe.desktop").constData(), 0600), 0);

    const QMap<QString, QString> names = found();

    EXPECT_EQ(names.value("long"), QString::fromLatin1(longName));
    EXPECT_EQ(names.value("controls"), "Tab and line");
    // Through the links only what was there already: "again-long" would be the same entry once more.
    EXPECT_EQ(names.keys(), QStringList({"controls", "long"}));
}

TEST_F(DesktopApplicationsTest, FiveThousandEntriesAreAllFound) {
    for (int i = 0; i < 5000; ++i) {
        write(system() + QStringLiteral("/app%1.desktop").arg(i), entry("App " + QByteArray::number(i)));
    }
    EXPECT_EQ(found().size(), 5000);
}

TEST(XdgDirectoriesTest, DataHomeComesFirstWithTheDefaultsOfTheBaseDirectoryRules) {
    const QByteArray home = qgetenv("XDG_DATA_HOME");
    const QByteArray dirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", "/data/home");
    qputenv("XDG_DATA_DIRS", "/opt/share/:relative:/usr/share::/data/home");
    EXPECT_EQ(xdgApplicationDirectories(),
              QStringList({"/data/home/applications", "/opt/share/applications", "/usr/share/applications"}));
    qputenv("XDG_DATA_HOME", "relative");
    qunsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(xdgApplicationDirectories(),
              QStringList({QDir::homePath() + "/.local/share/applications", "/usr/local/share/applications",
                           "/usr/share/applications"}));
    home.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", home);
    dirs.isNull() ? qunsetenv("XDG_DATA_DIRS") : qputenv("XDG_DATA_DIRS", dirs);
}

/// Entries started through the real workspace.
class DesktopEntryLaunchTest : public DesktopApplicationsTest {
protected:
    /// An entry whose program writes its arguments, one per line, into `marker`.
    QString makeNotingEntry(const QString& fileName, const QByteArray& fieldCode) {
        const QString program = root.path() + "/bin/noting program";
        write(program, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.ran.tmp\" && mv \"$0.ran.tmp\" \"$0.ran\"\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString path = system() + "/" + fileName;
        write(path, "[Desktop Entry]\nType=Application\nName=Noting\nExec=\"" + program.toUtf8() + "\" " +
                        fieldCode + "\n");
        return path;
    }
    [[nodiscard]] QString marker() const { return root.path() + "/bin/noting program.ran"; }

    std::optional<QString> open(const QString& path, const QStringList& arguments = {}) {
        OpenConfiguration configuration;
        configuration.arguments = arguments;
        bool completed = false;
        std::optional<QString> error;
        workspace.openApplication(path, configuration, [&](const std::optional<QString>& e) {
            completed = true;
            error = e;
        });
        EXPECT_FALSE(completed) << "the completion comes later, never inside the call";
        EXPECT_TRUE(runEventsUntil([&] { return completed; }));
        return error;
    }

    QtMainQueue queue;
    LinuxWorkspace workspace{queue};
};

TEST_F(DesktopEntryLaunchTest, AnEntryStartsItsProgramWithTheArgumentsAsFiles) {
    const QString path = makeNotingEntry("noting.desktop", "%F");

    EXPECT_EQ(open(path, {"/tmp/one file.txt", "/tmp/two"}), std::nullopt);

    ASSERT_TRUE(runEventsUntil([&] { return QFile::exists(marker()); })) << "the program never ran";
    QFile noted(marker());
    ASSERT_TRUE(noted.open(QIODevice::ReadOnly));
    EXPECT_EQ(noted.readAll(), "/tmp/one file.txt\n/tmp/two\n");
}

TEST_F(DesktopEntryLaunchTest, AnEntryGivenAsFileUrlStartsToo) {
    const QString path = makeNotingEntry("url.desktop", "");

    EXPECT_EQ(open(QUrl::fromLocalFile(path).toString()), std::nullopt);

    EXPECT_TRUE(runEventsUntil([&] { return QFile::exists(marker()); })) << "the program never ran";
}

TEST_F(DesktopEntryLaunchTest, EntriesThatCannotStartReportWhyLater) {
    write(system() + "/missing.desktop",
          "[Desktop Entry]\nType=Application\nName=Missing\nExec=tessly-no-such-program\n");
    write(system() + "/malformed.desktop", "[Desktop Entry\nName=Broken\n");
    QDir().mkpath(system());
    ASSERT_EQ(::mkfifo(QFile::encodeName(system() + "/pipe.desktop").constData(), 0600), 0);

    const struct {
        QString path;
        QString says;
    } cases[] = {
        {system() + "/missing.desktop", "program is missing"},
        {system() + "/malformed.desktop", "malformed"},
        {system() + "/pipe.desktop", "Cannot read"},
        {system() + "/gone.desktop", "no desktop entry"},
    };
    for (const auto& each : cases) {
        const std::optional<QString> error = open(each.path);
        ASSERT_TRUE(error.has_value()) << each.path.toStdString();
        EXPECT_TRUE(error->contains(each.path)) << error->toStdString();
        EXPECT_TRUE(error->contains(each.says)) << error->toStdString();
    }
}

} // namespace
} // namespace tessly
