// The code-signing stand-in as the program runs it, from the built bundle: signing ad hoc and with an
// identity, reading the identity back, and the tool's failures and exit statuses. Every case works on a
// copy of the built bundle in a temporary folder.
#include "platform/property_list.h"
#include "support/temp_home.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace tessly {
namespace {

using testing::TempHome;

constexpr auto kIdentity = "Developer ID Application: Example (TEAM123456)";

struct ToolRun {
    int status = -1;
    QString errors;
    /// The "Authority=" lines, in order.
    QStringList authorities;
};

ToolRun codesign(const QStringList& arguments) {
    QProcess tool;
    tool.start(QString(TESSLY_BUNDLE_DIR) + "/Contents/Helpers/codesign", arguments);
    EXPECT_TRUE(tool.waitForFinished(30'000));
    ToolRun run{tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
                QString::fromUtf8(tool.readAllStandardError()),
                {}};
    EXPECT_TRUE(tool.readAllStandardOutput().isEmpty()) << "everything goes to standard error";
    for (const QString& line : run.errors.split('\n')) {
        if (line.startsWith("Authority=")) {
            run.authorities.append(line.mid(10));
        }
    }
    return run;
}

QByteArray sha256(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

class CodesignTest : public ::testing::Test {
protected:
    void SetUp() override {
        bundle = home.path() + "/Copy.app";
        std::filesystem::copy(TESSLY_BUNDLE_DIR, bundle.toStdString(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::copy_symlinks);
    }
    [[nodiscard]] PlistDictionary manifestFiles() const {
        const auto manifest = readPropertyListFile(bundle + "/Contents/_CodeSignature/CodeResources");
        EXPECT_TRUE(manifest && manifest->format == PlistFormat::Xml);
        if (!manifest || !manifest->root.isDictionary() || !manifest->root.asDictionary()->find("files")) {
            return {};
        }
        return *manifest->root.asDictionary()->find("files")->asDictionary();
    }

    TempHome home;
    QString bundle;
};

TEST(CodesignBuiltBundle, IsSignedAdHocOverEveryFileItHolds) {
    const ToolRun display = codesign({"-dv", "--verbose=4", TESSLY_BUNDLE_DIR});
    EXPECT_EQ(display.status, 0) << display.errors.toStdString();
    EXPECT_TRUE(display.errors.contains("\nSignature=adhoc\n"));
    EXPECT_TRUE(display.authorities.isEmpty()) << "an ad-hoc signature names no authority";
    EXPECT_TRUE(
        display.errors.startsWith(QString("Executable=%1/Contents/MacOS/Tessly\n").arg(TESSLY_BUNDLE_DIR)));
    EXPECT_TRUE(display.errors.contains("\nIdentifier=app.tessly.Tessly\n"));
    EXPECT_TRUE(display.errors.contains("\nFormat=app bundle with"));

    const auto manifest =
        readPropertyListFile(QString(TESSLY_BUNDLE_DIR) + "/Contents/_CodeSignature/CodeResources");
    ASSERT_TRUE(manifest);
    const PlistDictionary& files = *manifest->root.asDictionary()->find("files")->asDictionary();
    // Signed after the last file went in: the executable and the stand-in itself are sealed as they are now.
    for (const QString relative :
         {"Contents/MacOS/Tessly", "Contents/Helpers/codesign", "Contents/Info.plist"}) {
        const PlistValue* digest = files.find(relative);
        ASSERT_TRUE(digest) << relative.toStdString();
        EXPECT_EQ(*digest->asData(), sha256(TempHome::read(QString(TESSLY_BUNDLE_DIR) + "/" + relative)))
            << relative.toStdString();
    }
    EXPECT_FALSE(files.contains("Contents/_CodeSignature/CodeResources"));
}

TEST_F(CodesignTest, AnIdentitySignatureReadsBackFirstAndAnAdHocOneReplacesIt) {
    const ToolRun sign =
        codesign({"--force", "--deep", "--sign", kIdentity, "--options", "runtime", "--timestamp", bundle});
    ASSERT_EQ(sign.status, 0) << sign.errors.toStdString();
    const ToolRun display = codesign({"-dv", "--verbose=4", bundle});
    EXPECT_EQ(display.status, 0);
    ASSERT_FALSE(display.authorities.isEmpty());
    EXPECT_EQ(display.authorities.front(), kIdentity) << "the identity comes before its chain";
    EXPECT_TRUE(display.errors.contains("\nTeamIdentifier=TEAM123456\n"));
    EXPECT_TRUE(display.errors.contains("(runtime)"));
    EXPECT_TRUE(display.errors.contains("\nTimestamp="));
    EXPECT_FALSE(display.errors.contains("Signature=adhoc"));

    EXPECT_EQ(codesign({"--sign", "-", bundle}).status, 1)
        << "a signed bundle is signed again only with --force";
    const ToolRun adHoc = codesign({"--force", "--deep", "--sign", "-", "--timestamp=none", bundle});
    ASSERT_EQ(adHoc.status, 0) << adHoc.errors.toStdString();
    const ToolRun again = codesign({"-dv", "--verbose=4", bundle});
    EXPECT_TRUE(again.authorities.isEmpty());
    EXPECT_TRUE(again.errors.contains("\nSignature=adhoc\n"));
    EXPECT_FALSE(again.errors.contains("Timestamp="));
}

TEST_F(CodesignTest, UnsignedBundlesAndPathsThatAreNoBundlesFailWithStatusOne) {
    ASSERT_TRUE(QDir(bundle + "/Contents/_CodeSignature").removeRecursively());
    const ToolRun unsigned_ = codesign({"-dv", "--verbose=4", bundle});
    EXPECT_EQ(unsigned_.status, 1);
    EXPECT_EQ(unsigned_.errors, bundle + ": code object is not signed at all\n");

    const QString folder = home.path() + "/Folder.app";
    QDir().mkpath(folder + "/Contents");
    const QString missing = home.path() + "/Missing.app";
    for (const QString& path : {folder, missing, home.write("file.txt", "x")}) {
        const ToolRun display = codesign({"-dv", "--verbose=4", path});
        EXPECT_EQ(display.status, 1) << path.toStdString();
        EXPECT_TRUE(display.errors.startsWith(path + ": ")) << display.errors.toStdString();
        EXPECT_EQ(codesign({"--force", "--sign", "-", path}).status, 1) << path.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(folder + "/Contents/_CodeSignature")) << "a refused path gets nothing";

    home.write("Copy.app/Contents/_CodeSignature/CodeResources", "damaged");
    EXPECT_EQ(codesign({"-dv", bundle}).status, 1);
    const ToolRun lineBreak = codesign({"--force", "--sign", "Example\nAuthority=Forged", bundle});
    EXPECT_EQ(lineBreak.status, 1) << "an identity with a line break would forge an Authority line";
}

TEST_F(CodesignTest, UsageErrorsExitWithStatusTwo) {
    const QList<QStringList> usages = {
        {},
        {"-dv"},
        {"--sign"},
        {"--sign", "-"},
        {"-d", "--sign", "-", bundle},
        {"-v", bundle},
        {"--bogus", bundle},
        {"--options", "kill", "--sign", "-", bundle},
        {"-x", bundle},
    };
    for (const QStringList& arguments : usages) {
        const ToolRun run = codesign(arguments);
        EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.errors.contains("Usage: codesign")) << arguments.join(' ').toStdString();
    }
    EXPECT_EQ(codesign({"-fs", "-", "-o", "runtime", bundle}).status, 0) << "grouped short options";
}

TEST_F(CodesignTest, LinksOutOfTheBundleAreSealedAsLinksAndNeverFollowed) {
    const QString secret = home.write("outside/secret.txt", "outside the bundle");
    const QString resources = bundle + "/Contents/Resources";
    ASSERT_TRUE(QFile::link(secret, resources + "/secret-link"));
    ASSERT_TRUE(QFile::link(home.path() + "/outside", resources + "/folder-link"));
    // Where the manifest goes: written through, the link would put it outside.
    ASSERT_TRUE(QDir(bundle + "/Contents/_CodeSignature").removeRecursively());
    ASSERT_TRUE(QFile::link(home.path() + "/outside", bundle + "/Contents/_CodeSignature"));

    const ToolRun sign = codesign({"--force", "--deep", "--sign", "-", "--timestamp=none", bundle});
    ASSERT_EQ(sign.status, 0) << sign.errors.toStdString();
    const PlistDictionary files = manifestFiles();
    EXPECT_EQ(*files.find("Contents/Resources/secret-link")->asData(), sha256(secret.toUtf8()))
        << "a link is sealed as the text it holds";
    EXPECT_EQ(*files.find("Contents/Resources/folder-link")->asData(),
              sha256((home.path() + "/outside").toUtf8()));
    for (const auto& [path, digest] : files.entries()) {
        EXPECT_FALSE(path.startsWith("Contents/Resources/folder-link/")) << path.toStdString();
    }
    EXPECT_TRUE(QFileInfo(bundle + "/Contents/_CodeSignature").isDir() &&
                !QFileInfo(bundle + "/Contents/_CodeSignature").isSymLink());
    EXPECT_EQ(QDir(home.path() + "/outside").entryList(QDir::Files), QStringList{"secret.txt"});
    EXPECT_EQ(TempHome::read(secret), "outside the bundle");
}

TEST_F(CodesignTest, ABundleHoldingAPipeIsRefusedWithoutWaitingOnIt) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(bundle + "/Contents/Resources/pipe").constData(), 0600), 0);
    const ToolRun sign = codesign({"--force", "--sign", "-", bundle});
    EXPECT_EQ(sign.status, 1);
    EXPECT_TRUE(sign.errors.contains("Contents/Resources/pipe")) << sign.errors.toStdString();
}

} // namespace
} // namespace tessly
