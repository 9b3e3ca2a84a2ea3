// Plays "another process" in the integration tests.
//
//   tessly_test_tool write-defaults <home> <domain> <key prefix> <count>
//       writes <count> integer keys "<prefix><i>" = i through the file-backed user defaults
//   tessly_test_tool read-folders <folder file> <reads>
//       reads the folder file over and over; exits 1 if any read sees a file that does not decode
#include "model/folder_json.h"
#include "platform/linux/plist_file_user_defaults_linux.h"
#include "platform/linux/system_linux.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

int writeDefaults(const QStringList& args) {
    tessly::StdoutConsole console;
    tessly::PlistFileUserDefaults defaults(tessly::Paths(args.at(0)), args.at(1), console);
    const int count = args.at(3).toInt();
    for (int i = 0; i < count; ++i) {
        defaults.setInteger(args.at(2) + QString::number(i), i);
    }
    return 0;
}

int readFolders(const QStringList& args) {
    const int reads = args.at(1).toInt();
    int seen = 0;
    for (int i = 0; i < reads; ++i) {
        QFile file(args.at(0));
        if (!file.open(QIODevice::ReadOnly)) {
            continue; // not written yet
        }
        const auto decoded = tessly::decodeFolderList(file.readAll(), tessly::Date());
        if (!decoded.folders) {
            std::printf("torn read: %s\n", qPrintable(decoded.error));
            return 1;
        }
        ++seen;
    }
    std::printf("%d\n", seen);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 5 && args.first() == "write-defaults") {
        return writeDefaults(args.mid(1));
    }
    if (args.size() == 3 && args.first() == "read-folders") {
        return readFolders(args.mid(1));
    }
    std::fprintf(
        stderr,
        "usage: tessly_test_tool write-defaults HOME DOMAIN PREFIX COUNT | read-folders FILE READS\n");
    return 2;
}
