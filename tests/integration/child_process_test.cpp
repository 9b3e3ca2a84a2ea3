// Child processes through QProcess: exit statuses, crashes, programs that cannot start, standard error
// collected byte for byte, and standard input and output shared with the caller.
#include "adapter_test_support.h"
#include "platform/linux/child_process_linux.h"
#include "support/temp_home.h"

#include <QFile>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::startTool;
using testing::TempHome;

ChildProcessResult shell(const QString& script, StandardError standardError = StandardError::Piped) {
    QtChildProcessRunner runner;
    return runner.run("/bin/sh", {"-c", script}, standardError);
}

TEST(QtChildProcessRunner, ExitStatusesAndCrashesAreReportedAndACrashIsNeverSuccess) {
    const struct {
        const char* script;
        int status;
    } cases[] = {
        {"exit 0", 0},
        {"exit 3", 3},
        {"exit 255", 255},
        {"kill -SEGV $$", 128 + 11},
        {"kill -TERM $$", 128 + 15},
    };
    for (const auto& c : cases) {
        const ChildProcessResult result = shell(c.script);
        EXPECT_TRUE(result.started) << c.script;
        EXPECT_EQ(result.exitStatus, c.status) << c.script;
    }
}

TEST(QtChildProcessRunner, AProgramThatCannotStartIsNotStartedAndSaysWhy) {
    TempHome home;
    const QString plain = home.write("not-executable", "#!/bin/sh\nexit 0\n");
    for (const QString& program : {home.path() + "/missing", plain, home.path()}) {
        QtChildProcessRunner runner;
        const ChildProcessResult result = runner.run(program, {}, StandardError::Inherited);
        EXPECT_FALSE(result.started) << program.toStdString();
        EXPECT_FALSE(result.startError.isEmpty()) << program.toStdString();
    }
}

TEST(QtChildProcessRunner, PipedStandardErrorIsCollectedWholeAndByteForByte) {
    const ChildProcessResult text = shell(R"(printf 'Authority=A\nAuthority=B\n\377\000end' >&2; echo out)");
    EXPECT_EQ(text.standardError, QByteArray("Authority=A\nAuthority=B\n\xff\0end", 29));

    // More than a pipe holds: the runner must read while it waits, or both sides would stall.
    const ChildProcessResult large = shell("head -c 1000000 /dev/zero >&2; exit 4");
    EXPECT_EQ(large.standardError.size(), 1'000'000);
    EXPECT_EQ(large.exitStatus, 4);

    EXPECT_TRUE(shell("echo inherited >&2", StandardError::Inherited).standardError.isEmpty());
}

TEST(QtChildProcessRunner, TheChildReadsAndWritesTheCallersOwnStandardInputAndOutput) {
    const QString script = R"(read line; echo "out:$line"; echo "err:$line" >&2)";
    for (const QString mode : {"piped", "inherited"}) {
        QProcess caller;
        startTool(caller, {"run-child", mode, "/bin/sh", "-c", script});
        ASSERT_TRUE(caller.waitForStarted());
        caller.write("hello\n");
        caller.closeWriteChannel();
        ASSERT_TRUE(caller.waitForFinished(20'000));
        const QList<QByteArray> output = caller.readAllStandardOutput().trimmed().split('\n');
        const QByteArray errors = caller.readAllStandardError();
        ASSERT_EQ(output.size(), 2) << mode.toStdString();
        EXPECT_EQ(output.at(0), "out:hello") << "the child's output is the caller's";
        if (mode == "piped") {
            EXPECT_EQ(output.at(1), "started=1 status=0 stderr=" + QByteArray("err:hello\n").toBase64());
            EXPECT_TRUE(errors.isEmpty());
        } else {
            EXPECT_EQ(output.at(1), "started=1 status=0 stderr=");
            EXPECT_EQ(errors, "err:hello\n");
        }
    }
}

} // namespace
} // namespace tessly
