// Plays a process watching the pointer on an X display, for the global mouse-down monitor's test.
//
//   tessly_pointer_tool
//       a widget application on the platform its environment names; prints "ready", then reads commands, one
//       per line, on standard input:
//         add            installs a monitor; prints "added <token>", or "unavailable"
//         remove TOKEN   removes it; prints "removed"
//       and prints "press <token>" each time a monitor's handler runs. Ends when standard input closes.
#include "platform/linux/pointer_linux.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

void printLine(const std::string& line) {
    std::cout << line << std::endl;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tessly::LinuxPointer pointer;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        std::string command;
        if (!std::getline(std::cin, command)) {
            QCoreApplication::exit(0);
            return;
        }
        if (command == "add") {
            // The token is only known once the monitor exists: the handler finds it in a shared cell.
            auto token = std::make_shared<tessly::MouseMonitorToken>(0);
            const auto added =
                pointer.addGlobalMouseDownMonitor([token] { printLine("press " + std::to_string(*token)); });
            if (!added) {
                printLine("unavailable");
                return;
            }
            *token = *added;
            printLine("added " + std::to_string(*added));
        } else if (command.rfind("remove ", 0) == 0) {
            pointer.removeMonitor(std::stoull(command.substr(7)));
            printLine("removed");
        }
    });
    printLine("ready");
    return QCoreApplication::exec();
}
