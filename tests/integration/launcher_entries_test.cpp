// Launcher entries of folders with hostile names, in helper bundles under a hostile folder, read back as the
// docks read them: checked by desktop-file-validate, loaded by GLib's desktop application information.
#include "helpers/launcher_entries.h"

#include "helpers/helper_manager.h"
#include "model/display_text.h"
#include "model/uuid_text.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// GIO names a structure field "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

namespace tessly {
namespace {

/// The program GLib starts for `commandLine` (an entry's Exec value, its string escapes undone), turned
/// into its arguments as GLib does: "%%" made "%" first, then split by the shell's quoting rules.
QStringList launchedArguments(const QString& commandLine) {
    QString expanded;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        expanded += commandLine[i];
        if (commandLine[i] == u'%' && i + 1 < commandLine.size()) {
            ++i;
            if (commandLine[i] != u'%') {
                expanded += commandLine[i];
            }
        }
    }
    int count = 0;
    char** argv = nullptr;
    QStringList arguments;
    if (g_shell_parse_argv(expanded.toUtf8().constData(), &count, &argv, nullptr)) {
        for (int i = 0; i < count; ++i) {
            arguments.append(QString::fromUtf8(argv[i]));
        }
        g_strfreev(argv);
    }
    return arguments;
}

TEST(LauncherEntriesIntegration, HostileNamesGiveValidEntriesThatStartTheHelper) {
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty()) {
        GTEST_SKIP() << "desktop-file-validate is not installed";
    }
    QTemporaryDir root;
    // Every character the Exec rules treat specially, in the folder above the helpers too ('%' comes with the
    // names that hold one).
    const QString helpers = root.path() + QString::fromUtf8(R"(/Helpers "q" $HOME `id` \z 'w' ~#;&|<>)");
    LauncherEntries entries(root.path() + "/applications", QStringLiteral("app.tessly.Tessly"));

    const QStringList names = {
        QStringLiteral(R"(Say "hi" to $HOME)"),
        QStringLiteral("`rm -rf ~` $(id)"),
        QStringLiteral("100% %f %U %%"),
        QStringLiteral(R"(back\slash\\ \n\s)"),
        QStringLiteral("two\nlines\r\tand a tab"),
        QStringLiteral(" leading and trailing "),
        QString::fromUtf8("\u202Eevil\u200F txt \u200Fאב"),
        QString(300, u'x'),
        QString::fromUtf8("👨‍👩‍👧 Family"),
        QStringLiteral("semi;colon=equals#hash[group]"),
        QStringLiteral("   "),
        QString(),
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        AppFolder folder;
        folder.id = makeUuid();
        folder.name = name;
        const QString helper = helpers + "/" + helperBundleName(name);
        const QString executable = helper + "/Contents/MacOS/Tessly";
        ASSERT_TRUE(QDir().mkpath(helper + "/Contents/MacOS"));
        // GLib loads only an entry whose program it can find, as an executable file.
        ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/true"), executable));
        const QByteArray tile = name.toUtf8() + " tile";
        ASSERT_FALSE(entries.write(folder, helper, executable, tile));
        const QString entry = entries.entryPath(folder.id);

        QProcess validate;
        validate.start(validator, {entry});
        ASSERT_TRUE(validate.waitForFinished());
        const QString output =
            QString::fromUtf8(validate.readAllStandardOutput() + validate.readAllStandardError());
        EXPECT_EQ(validate.exitCode(), 0) << output.toStdString();
        EXPECT_FALSE(output.contains("error") || output.contains("warning")) << output.toStdString();

        GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(QFile::encodeName(entry).constData());
        ASSERT_NE(info, nullptr) << "GLib refuses the entry";
        const QStringList arguments =
            launchedArguments(QString::fromUtf8(g_app_info_get_commandline(G_APP_INFO(info))));
        if (name.contains(u'%')) {
            EXPECT_EQ(arguments, (QStringList{"/usr/bin/env", executable}));
        } else {
            EXPECT_EQ(arguments, QStringList{executable});
        }
        EXPECT_EQ(QString::fromUtf8(g_app_info_get_name(G_APP_INFO(info))), displayedName(name));
        EXPECT_EQ(QString::fromUtf8(g_desktop_app_info_get_startup_wm_class(info)),
                  launcherWindowClass(QStringLiteral("app.tessly.Tessly"), folder.id));
        EXPECT_TRUE(g_desktop_app_info_get_nodisplay(info));
        GIcon* icon = g_app_info_get_icon(G_APP_INFO(info));
        ASSERT_TRUE(icon && G_IS_FILE_ICON(icon));
        char* iconPath = g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon)));
        EXPECT_EQ(QString::fromUtf8(iconPath), LauncherEntries::iconPath(helper, tile));
        g_free(iconPath);
        g_object_unref(info);
    }
    EXPECT_EQ(entries.folderIdsWithEntries().size(), names.size());
}

} // namespace
} // namespace tessly
