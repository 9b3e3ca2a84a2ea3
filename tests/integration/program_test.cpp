// The real program, started from the real bundle in a temporary home.
#include "platform/property_list.h"
#include "support/temp_home.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <csignal>

namespace tessly {
namespace {

using testing::TempHome;

class ProgramTest : public ::testing::Test {
protected:
    void start() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        program.setProcessEnvironment(environment);
        program.setProgram(QString(TESSLY_BUNDLE_DIR) + "/Contents/MacOS/Tessly");
        program.start();
        ASSERT_TRUE(program.waitForStarted());
    }
    /// Waits until `ready` holds (the program has done its start-up work), for at most `seconds`.
    bool waitFor(const std::function<bool()>& ready, int seconds = 20) {
        for (int i = 0; i < seconds * 20; ++i) {
            if (ready()) {
                return true;
            }
            program.waitForFinished(50);
        }
        return ready();
    }
    void stopWith(int signal) {
        ::kill(static_cast<pid_t>(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(20'000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit)
            << "a signal ends the event loop, not the process";
        EXPECT_EQ(program.exitCode(), 0) << program.readAll().toStdString();
    }

    TempHome home;
    QProcess program;
};

TEST_F(ProgramTest, StartsWithTheLanguageDefaultsAndRewritesAHandWrittenFolderFile) {
    home.write("Library/Preferences/app.tessly.Tessly.plist",
               writePropertyList(PlistDictionary{{"language", "uk"}}, PlistFormat::Binary));
    const QString folderFile = home.write("Library/Application Support/Tessly/folders.json",
                                          R"([{"id":"3f2504e0-4f89-41d3-9a0c-0305e82c3301","name":"Work"}])");
    start();
    ASSERT_TRUE(waitFor([&] { return TempHome::read(folderFile).contains("folder.fill"); }))
        << program.readAll().toStdString();
    const QJsonObject folder = QJsonDocument::fromJson(TempHome::read(folderFile)).array().first().toObject();
    EXPECT_EQ(folder.value("id").toString(), "3F2504E0-4F89-41D3-9A0C-0305E82C3301");

    const auto preferences =
        readPropertyListFile(home.path() + "/Library/Preferences/app.tessly.Tessly.plist");
    ASSERT_TRUE(preferences);
    EXPECT_EQ(*preferences->root.asDictionary()->find("AppleLanguages"),
              PlistValue(PlistArray{PlistValue("uk")}));
    EXPECT_EQ(program.state(), QProcess::Running);
    stopWith(SIGTERM);
}

TEST_F(ProgramTest, InterruptEndsItCleanlyAndAFreshHomeGetsEnglish) {
    start();
    const QString preferences = home.path() + "/Library/Preferences/app.tessly.Tessly.plist";
    ASSERT_TRUE(waitFor([&] { return readPropertyListFile(preferences).has_value(); }));
    EXPECT_EQ(*readPropertyListFile(preferences)->root.asDictionary()->find("AppleLanguages"),
              PlistValue(PlistArray{PlistValue("en")}));
    stopWith(SIGINT);
}

TEST_F(ProgramTest, OutsideItsBundleItRefusesToStart) {
    const QString copy = home.path() + "/Tessly";
    ASSERT_TRUE(QFile::copy(QString(TESSLY_BUNDLE_DIR) + "/Contents/MacOS/Tessly", copy));
    QProcess loose;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    loose.setProcessEnvironment(environment);
    loose.start(copy, {});
    ASSERT_TRUE(loose.waitForFinished(20'000));
    EXPECT_EQ(loose.exitCode(), 1);
    EXPECT_TRUE(loose.readAllStandardOutput().contains("application bundle"));
}

} // namespace
} // namespace tessly
