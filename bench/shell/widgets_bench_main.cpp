// The entry point of the shell's in-process benchmarks: a Qt Widgets application (the popup is made of
// widgets), on the offscreen platform unless QT_QPA_PLATFORM says otherwise, then the benchmarks named on the
// command line. The platform it ran on is printed and kept in the report's context.
#include <QApplication>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler defaultHandler = nullptr;

/// The offscreen platform says at every show that it cannot raise a window or cut it to a mask; the popup
/// asks for both. Those lines would bury the report.
void quietOffscreenHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) {
        return;
    }
    defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    defaultHandler = qInstallMessageHandler(quietOffscreenHandler);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const QByteArray platform = QGuiApplication::platformName().toUtf8();
    std::fprintf(stderr, "Qt platform: %s\n", platform.constData());
    benchmark::AddCustomContext("qt_platform", platform.toStdString());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
