// Plays a helper process showing its popup panel on an X display, for the panel's stacking test.
//
//   tessly_panel_tool LEVEL
//       a widget application on the platform its environment names, with one panel of 240 x 240 points at
//       (100, 100) at LEVEL ("floating" or "status"); prints "ready", then reads commands, one per line:
//         show    orders the panel front; prints "shown <X window id>"
//         hide    orders it out; prints "hidden"
//       Ends when standard input closes.
#include "platform/linux/panel_linux.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool status = argc > 1 && std::strcmp(argv[1], "status") == 0;
    tessly::LinuxPanel panel(QSizeF(240, 240));
    auto content = std::make_unique<QWidget>();
    content->setAutoFillBackground(true);
    panel.setContent(std::move(content));
    // y-up: the top edge 100 points below the top of the 800-point screen.
    panel.setFrame(QRectF(100, 800 - 100 - 240, 240, 240), false);
    panel.setLevel(status ? tessly::WindowLevel::status : tessly::WindowLevel::floating);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        std::string command;
        if (!std::getline(std::cin, command)) {
            QCoreApplication::exit(0);
            return;
        }
        if (command == "show") {
            panel.orderFrontRegardless();
            std::cout << "shown " << panel.widget()->winId() << std::endl;
        } else if (command == "hide") {
            panel.orderOut();
            std::cout << "hidden" << std::endl;
        }
    });
    std::cout << "ready" << std::endl;
    return QCoreApplication::exec();
}
