// An application for the stand-in Dock's tests, copied into test-made bundles as their executable: it notes
// each start and reopen in "<bundle>.ran" beside its bundle (one line each, the start's arguments after
// "start"), announces its Dock presence and publishes a tile of one colour, drawn at the size the Dock tells.
#include "platform/gui/dock_tile.h"
#include "platform/linux/application_linux.h"
#include "platform/linux/dock_tile_linux.h"
#include "platform/linux/system_linux.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace tessly;

namespace {

void note(const QString& bundle, const QString& line) {
    QFile file(bundle + QStringLiteral(".ran"));
    if (file.open(QIODevice::Append)) {
        file.write(line.toUtf8() + '\n');
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication qtApplication(argc, argv);
    // <bundle>/Contents/MacOS/<executable>
    const QString bundle =
        QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../..")).canonicalFilePath();
    note(bundle, QStringLiteral("start ") + QCoreApplication::arguments().mid(1).join(QLatin1Char(' ')));
    LinuxApplication application(bundle);
    application.setReopenHandler([bundle] { note(bundle, QStringLiteral("reopen")); });
    application.setActivationPolicy(ActivationPolicy::regular);
    QtMainQueue queue;
    LinuxDockTile tile(bundle, queue);
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(QColor::fromHsv(static_cast<int>(qHash(bundle) % 360), 200, 220));
    tile.setContent(DockTileContent{QSizeF(64, 64), DockTileImageView{makeBitmapImage(image)}});
    tile.display();
    return QApplication::exec();
}
