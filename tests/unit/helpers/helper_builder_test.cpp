#include "helper_manager_fixture.h"
#include "support/file_size_limit.h"
#include "support/without_permission_override.h"

#include "support/xml_reader.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessly::testing {
namespace {

using BuilderTest = HelperManagerTest;

void setModificationTime(const QString& path, const QDateTime& time) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
    ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
}

QDateTime modificationTime(const QString& path) {
    return QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
}

TEST_F(BuilderTest, AFreshHelperIsACleanedPatchedAdHocSignedCopy) {
    attributes.set(appPath, "com.apple.quarantine", "x");
    const AppFolder work = folder("Q1/Q2: Work");
    const auto helper = manager.buildHelper(work);
    ASSERT_TRUE(helper) << console.lines.join('\n').toStdString();
    EXPECT_EQ(*helper, manager.helpersDir() + "/Q1Q2 Work.app");

    EXPECT_TRUE(QFileInfo::exists(*helper + "/Contents/MacOS/Tessly"));
    EXPECT_TRUE(QFileInfo::exists(*helper + "/Contents/Resources/en.lproj/Localizable.json"));
    EXPECT_FALSE(QFileInfo::exists(*helper + "/Icon\r"));
    EXPECT_FALSE(QFileInfo::exists(*helper + "/Contents/MacOS/__preview.dylib"));
    EXPECT_TRUE(QFileInfo::exists(appPath + "/Icon\r")) << "the application itself is untouched";

    const auto info = readPropertyListFile(*helper + "/Contents/Info.plist");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format, PlistFormat::Xml);
    EXPECT_EQ(helperInfoValue(*helper, "CFBundleName"), "Q1/Q2: Work") << "the name exactly as stored";
    EXPECT_EQ(helperInfoValue(*helper, "CFBundleDisplayName"), "Q1/Q2: Work");
    EXPECT_EQ(helperInfoValue(*helper, "TSGroupUUID"), uuidText(work.id));
    EXPECT_EQ(helperInfoValue(*helper, "CFBundleIdentifier"), "app.tessly.Tessly");

    ASSERT_EQ(processes.runs.size(), 2);
    EXPECT_EQ(processes.runs[0].arguments, QStringList({"-dv", "--verbose=4", appPath}));
    EXPECT_EQ(processes.runs[0].standardError, StandardError::Piped);
    EXPECT_EQ(processes.runs[1].program, "/usr/bin/codesign");
    EXPECT_EQ(processes.runs[1].arguments,
              QStringList({"--force", "--deep", "--sign", "-", "--timestamp=none", *helper}));
    EXPECT_EQ(processes.runs[1].standardError, StandardError::Inherited);
}

TEST_F(BuilderTest, AnIdentitySignedApplicationSignsItsHelpersWithTheSameIdentity) {
    processes.script = [](const QString&, const QStringList& arguments) -> ChildProcessResult {
        if (arguments.first() == "-dv") {
            return {
                true,
                {},
                0,
                "Executable=/x\nIdentifier=app.tessly.Tessly\nAuthority=Developer ID Application: Example "
                "(TEAM123456)\r\nAuthority=Developer ID Certification Authority\n"};
        }
        return {true, {}, 0, {}};
    };
    const auto helper = manager.buildHelper(folder("Work"));
    ASSERT_TRUE(helper);
    EXPECT_EQ(processes.runs[1].arguments,
              QStringList({"--force", "--deep", "--sign", "Developer ID Application: Example (TEAM123456)",
                           "--options", "runtime", "--timestamp", *helper}));
}

TEST_F(BuilderTest, UndecodableIdentityOutputSignsAdHoc) {
    processes.script = [](const QString&, const QStringList& arguments) -> ChildProcessResult {
        if (arguments.first() == "-dv") {
            return {true, {}, 0, QByteArray("Authority=\xff\xfe broken\n")};
        }
        return {true, {}, 0, {}};
    };
    ASSERT_TRUE(manager.buildHelper(folder("Work")));
    EXPECT_EQ(processes.runs[1].arguments[3], "-");
}

TEST_F(BuilderTest, RebuildingInPlaceKeepsAddedFilesAndScrubsAgain) {
    const AppFolder work = folder("Work");
    const QString helper = *manager.buildHelper(work);
    home.write(QDir(home.path()).relativeFilePath(helper) + "/Contents/Resources/added", "kept");
    home.write(QDir(home.path()).relativeFilePath(helper) + "/Icon\r", "custom icon");
    attributes.set(helper + "/Contents/Resources/added", "user.icon", "x");

    AppFolder renamed = work;
    renamed.name = "Work";
    ASSERT_EQ(manager.buildHelper(renamed), helper);
    EXPECT_TRUE(QFileInfo::exists(helper + "/Contents/Resources/added")) << "not copied again";
    EXPECT_FALSE(QFileInfo::exists(helper + "/Icon\r"));
    EXPECT_TRUE(attributes.list(helper + "/Contents/Resources/added").isEmpty());
    EXPECT_EQ(processes.runs.size(), 4) << "signed again";
}

TEST_F(BuilderTest, FoldersWhoseNamesReduceAlikeGetTheirOwnBundles) {
    const AppFolder first = folder("Work?");
    const AppFolder second = folder("Work*");
    const QString a = *manager.buildHelper(first);
    const QString b = *manager.buildHelper(second);
    EXPECT_EQ(QFileInfo(a).fileName(), "Work.app");
    EXPECT_EQ(QFileInfo(b).fileName(), "Work 2.app");
    EXPECT_EQ(helperInfoValue(a, "TSGroupUUID"), uuidText(first.id)) << "the first folder keeps its helper";
    EXPECT_EQ(manager.buildHelper(first), a);
    EXPECT_EQ(manager.findHelper(second.id), b);
}

TEST_F(BuilderTest, SigningFailuresDeleteTheCopyAndSaySo) {
    processes.script = [](const QString&, const QStringList& arguments) -> ChildProcessResult {
        return arguments.first() == "-dv" ? ChildProcessResult{true, {}, 1, {}}
                                          : ChildProcessResult{true, {}, 3, {}};
    };
    EXPECT_FALSE(manager.buildHelper(folder("Work %2 100%")));
    EXPECT_TRUE(helperBundles().isEmpty());
    const QString expected =
        "Tessly: Codesign failed for " + manager.helpersDir() + "/Work %2 100%.app (exit code: 3)";
    EXPECT_EQ(console.lines, QStringList({expected}));
    EXPECT_EQ(console.logLines, QStringList({expected}));

    processes.script = [](const QString&, const QStringList&) -> ChildProcessResult {
        return {false, "No such file or directory", -1, {}};
    };
    console.lines.clear();
    EXPECT_FALSE(manager.buildHelper(folder("Work")));
    EXPECT_EQ(console.lines, QStringList({"Tessly: Failed to run codesign: No such file or directory"}));
    EXPECT_TRUE(helperBundles().isEmpty());
}

// A name from a hand-edited folder file: control characters, a NUL, a surrogate without its pair and a
// directional override. The Info.plist stays one every XML reader takes, and what a Dock shows of it reads as
// written.
TEST_F(BuilderTest, AnyFolderNameGivesAnInfoPlistEveryReaderAcceptsAndShowsItInOrder) {
    ASSERT_TRUE(hasXmlReader()) << "xmllint is not installed: run scripts/install-deps";
    QString name = QStringLiteral("Tax\u0001\u001B");
    name += QChar(0);
    name += QStringLiteral("es\tdue ");
    name += QChar(0xDC00);
    name += QStringLiteral("report\u202Efdp.exe\uFFFF");
    const auto helper = manager.buildHelper(folder(name));
    ASSERT_TRUE(helper);
    const QByteArray info = TempHome::read(*helper + "/Contents/Info.plist");
    EXPECT_EQ(xmlReaderComplaint(info).toStdString(), "") << info.toStdString();
    EXPECT_EQ(helperInfoValue(*helper, "CFBundleName"), QStringLiteral("Taxes due reportfdp.exe"));
    EXPECT_EQ(helperInfoValue(*helper, "CFBundleDisplayName"), QStringLiteral("Taxes due reportfdp.exe"));
    EXPECT_FALSE(QFileInfo(*helper).fileName().contains(QChar(0x202E)));
}

TEST_F(BuilderTest, ACopyWithoutAReadableInfoPlistIsNoHelper) {
    home.write("Apps/Tessly.app/Contents/Info.plist", "damaged");
    EXPECT_FALSE(manager.buildHelper(folder("Work")));
    EXPECT_TRUE(helperBundles().isEmpty()) << "it would start as a second main application";
    EXPECT_TRUE(processes.runs.isEmpty());
}

TEST_F(BuilderTest, ACopyWhoseInfoPlistCannotBeWrittenIsNoHelper) {
    // The bundle's files are copied whole; the patched Info.plist, larger than any of them, is not.
    {
        const FileSizeLimit limit(300);
        EXPECT_FALSE(manager.buildHelper(folder("Work")));
    }
    EXPECT_TRUE(helperBundles().isEmpty()) << "with the main application's Info.plist it would start as one";
    EXPECT_TRUE(processes.runs.isEmpty()) << "nothing is signed";
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_EQ(console.lines.first(),
              "Tessly: Failed to write the helper's Info.plist: " + manager.helpersDir() +
                  "/Work.app/Contents/Info.plist: File too large");
}

TEST_F(BuilderTest, FindHelperLooksOnlyAtBundlesOfThisFolder) {
    const AppFolder work = folder("Work");
    const QString dir = manager.helpersDir();
    const QString rel = QDir(home.path()).relativeFilePath(dir);
    PlistDictionary info = applicationInfo();
    info.set("TSGroupUUID", uuidText(work.id));
    home.write(rel + "/Notes.txt", "x");
    home.write(rel + "/Old.APP/Contents/Info.plist", writePropertyList(info, PlistFormat::Xml));
    home.write(rel + "/NoKey.app/Contents/Info.plist",
               writePropertyList(applicationInfo(), PlistFormat::Xml));
    EXPECT_FALSE(manager.findHelper(work.id));

    QFile::link(dir + "/Old.APP", dir + "/Linked.app");
    EXPECT_FALSE(manager.findHelper(work.id)) << "a link is nobody's helper";

    home.write(rel + "/Mine.app/Contents/Info.plist", writePropertyList(info, PlistFormat::Xml));
    EXPECT_EQ(manager.findHelper(work.id), dir + "/Mine.app");
    info.set("TSGroupUUID", uuidText(work.id).toLower());
    home.write(rel + "/Mine.app/Contents/Info.plist", writePropertyList(info, PlistFormat::Xml));
    EXPECT_FALSE(manager.findHelper(work.id)) << "exact text comparison";
}

TEST_F(BuilderTest, NothingOutsideTheHelpersDirectoryIsTouched) {
    const QString dir = manager.helpersDir();
    // A link where the helper would go, pointing at a bundle elsewhere: removed as a link, the target kept.
    home.write("Elsewhere/Target.app/Contents/Info.plist",
               writePropertyList(applicationInfo(), PlistFormat::Xml));
    home.write("Elsewhere/Target.app/Icon\r", "kept");
    ASSERT_TRUE(QFile::link(home.path() + "/Elsewhere/Target.app", dir + "/Work.app"));
    const auto helper = manager.buildHelper(folder("Work"));
    ASSERT_TRUE(helper);
    EXPECT_FALSE(QFileInfo(*helper).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(home.path() + "/Elsewhere/Target.app/Icon\r"));
    EXPECT_EQ(helperInfoValue(home.path() + "/Elsewhere/Target.app", "TSGroupUUID"), QString());

    for (const QString& name :
         {QString(".."), QString("../../x"), QString("a/b"), QString::fromUtf8("x\0y", 3)}) {
        const auto built = manager.buildHelper(folder(name));
        ASSERT_TRUE(built) << name.toStdString();
        EXPECT_TRUE(canonicalPath(*built).startsWith(canonicalPath(dir) + "/")) << built->toStdString();
    }
}

// An update installed by a package manager, tar or rsync keeps the dates it was built with: the helpers
// copied from the version before must still look older than it.
TEST_F(BuilderTest, ACopyKeepsTheDatesSoAnUpdateThatKeepsItsDatesMakesHelpersStale) {
    // Whole seconds, as the folders' dates are set below.
    const QDateTime built = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() - 30 * 86'400);
    const QString executable = appPath + "/Contents/MacOS/Tessly";
    setModificationTime(executable, built);
    ASSERT_TRUE(QFile::link("Resources", appPath + "/Contents/Current"));
    // Folders last, as their content changes their dates.
    for (const QString& directory :
         {appPath + "/Contents/Resources/en.lproj", appPath + "/Contents/Resources"}) {
        ASSERT_TRUE(QDir(directory).exists());
        struct timespec times[2] = {{0, UTIME_OMIT}, {built.toSecsSinceEpoch(), 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(directory).constData(), times, 0), 0);
    }

    const AppFolder work = folder("Work");
    const auto copy = manager.buildHelper(work);
    ASSERT_TRUE(copy);
    const QString helper = *copy;
    EXPECT_EQ(modificationTime(helper + "/Contents/MacOS/Tessly"), built);
    EXPECT_EQ(modificationTime(helper + "/Contents/Resources"), built)
        << "a folder's date, set after its content";
    EXPECT_EQ(modificationTime(helper + "/Contents/Resources/en.lproj"), built);
    EXPECT_EQ(QFileInfo(helper + "/Contents/Current").symLinkTarget(), helper + "/Contents/Resources")
        << "a link stays a link, to the same relative place";
    EXPECT_FALSE(manager.isHelperStale(helper, appPath)) << "a fresh copy is as old as what it copies";

    // The update: new code, dated when it was built, a week ago; still long before today.
    home.write("Apps/Tessly.app/Contents/MacOS/Tessly", "#!/bin/sh\n# version 2\n");
    setModificationTime(executable, built.addDays(23));
    EXPECT_TRUE(manager.isHelperStale(helper, appPath));
    manager.syncHelpers({work});
    EXPECT_EQ(TempHome::read(helper + "/Contents/MacOS/Tessly"), "#!/bin/sh\n# version 2\n")
        << "rebuilt from the update";
}

TEST_F(BuilderTest, AFailedCopyLeavesNothingBehind) {
    // A pipe cannot be copied as a file: the copy stops part of the way through.
    ASSERT_EQ(::mkfifo(QFile::encodeName(appPath + "/Contents/pipe").constData(), 0600), 0);
    EXPECT_FALSE(manager.buildHelper(folder("Work")));
    ASSERT_EQ(console.lines.size(), 1);
    EXPECT_TRUE(
        console.lines.first().startsWith("Failed to copy app bundle: " + appPath + "/Contents/pipe: "))
        << console.lines.first().toStdString();
    EXPECT_TRUE(helperBundles().isEmpty()) << "a partial bundle would be refreshed in place and started";
    EXPECT_TRUE(processes.runs.isEmpty());
}

TEST_F(BuilderTest, LongNamesOfManyBytesStillMakeBundles) {
    // Thirty user-perceived characters, 305 bytes of UTF-8 once the joiners are gone.
    const QString technologist = QString::fromUtf8("👩🏽\u200D💻");
    QString name = "abcde";
    for (int i = 0; i < 25; ++i) {
        name += technologist;
    }
    const auto first = manager.buildHelper(folder(name));
    const auto second = manager.buildHelper(folder(name));
    ASSERT_TRUE(first && second) << console.lines.join('\n').toStdString();
    EXPECT_LE(QFileInfo(*first).fileName().toUtf8().size(), 255);
    EXPECT_LE(QFileInfo(*second).fileName().toUtf8().size(), 255);
    EXPECT_TRUE(QFileInfo(*second).fileName().endsWith(" 2.app"));
    EXPECT_EQ(helperInfoValue(*second, "CFBundleName"), name) << "the name itself is not shortened";
}

TEST_F(BuilderTest, ScrubbingGoesOnPastUnreadableFoldersAndSaysSo) {
    const auto built = manager.buildHelper(folder("Work"));
    ASSERT_TRUE(built);
    const QString helper = *built;
    const QString rel = QDir(home.path()).relativeFilePath(helper);
    // Two of them, each beside a file with attributes: whichever the walk meets first, the file in the other
    // folder comes after it.
    for (const QString& part : {QString("/Contents/Frameworks"), QString("/Contents/PlugIns")}) {
        home.write(rel + part + "/Locked/inside", "x");
        const QString file = home.write(rel + part + "/file", "x");
        attributes.set(file, "user.quarantine", "1");
        attributes.set(helper + part + "/Locked", "user.icon", "1");
        ASSERT_TRUE(QFile::setPermissions(helper + part + "/Locked", {}));
    }
    attributes.set(helper + "/Contents/MacOS/Tessly", "user.quarantine", "1");

    std::optional<QString> failure;
    {
        const WithoutPermissionOverride heldToPermissions;
        if (DIR* probe = ::opendir(QFile::encodeName(helper + "/Contents/PlugIns/Locked").constData())) {
            ::closedir(probe);
            GTEST_SKIP() << "this process reads folders whatever their permissions";
        }
        manager.scrubHelperBundle(helper);
        failure = QString("x/Locked: ");
    }
    for (const QString& part : {QString("/Contents/Frameworks"), QString("/Contents/PlugIns")}) {
        EXPECT_TRUE(attributes.list(helper + part + "/file").isEmpty()) << part.toStdString();
        EXPECT_TRUE(attributes.list(helper + part + "/Locked").isEmpty())
            << "its own attributes are reachable";
        QFile::setPermissions(helper + part + "/Locked",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    EXPECT_TRUE(attributes.list(helper + "/Contents/MacOS/Tessly").isEmpty());
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->contains("/Locked: ")) << failure->toStdString();
}

TEST_F(BuilderTest, StaleHelpersAreRebuiltUnlessRunning) {
    const AppFolder work = folder("Work");
    const QString helper = *manager.buildHelper(work);
    QFile executable(helper + "/Contents/MacOS/Tessly");
    ASSERT_TRUE(executable.open(QIODevice::ReadWrite));
    const QDateTime appTime = QFileInfo(appPath + "/Contents/MacOS/Tessly").lastModified();
    executable.setFileTime(appTime, QFileDevice::FileModificationTime);
    executable.close();
    EXPECT_FALSE(manager.isHelperStale(helper, appPath)) << "equal dates are not stale";

    ASSERT_TRUE(executable.open(QIODevice::ReadWrite));
    executable.setFileTime(appTime.addSecs(-60), QFileDevice::FileModificationTime);
    executable.close();
    EXPECT_TRUE(manager.isHelperStale(helper, appPath));

    home.write(QDir(home.path()).relativeFilePath(helper) + "/Contents/Resources/marker", "old copy");
    workspace.running.append({42, helper});
    manager.rebuildHelperIfStale(work, helper);
    EXPECT_TRUE(QFileInfo::exists(helper + "/Contents/Resources/marker"))
        << "a running helper is never replaced";

    workspace.running.clear();
    manager.rebuildHelperIfStale(work, helper);
    EXPECT_FALSE(QFileInfo::exists(helper + "/Contents/Resources/marker")) << "deleted and built afresh";
    EXPECT_EQ(manager.findHelper(work.id), helper);
    EXPECT_FALSE(manager.isHelperStale(helper + "-missing", appPath));
}

} // namespace
} // namespace tessly::testing
