#include "platform/linux/plank_dock_linux.h"

#include "platform/linux/screens_linux.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QGuiApplication>
#include <QObject>
#include <QScreen>
#include <QUrl>

namespace tessly {

// Hears Plank's Changed signal and its name changing hands, on the main thread.
class PlankDock::Receiver final : public QObject {
    Q_OBJECT

public:
    explicit Receiver(PlankDock& dock)
        : m_dock(dock), m_watcher(QString::fromLatin1(kPlankService), QDBusConnection::sessionBus(),
                                  QDBusServiceWatcher::WatchForOwnerChange) {
        connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this] { m_dock.reportChange(); });
        // Tied to the service name: Qt follows whichever process owns it, so a restarted Plank is heard too.
        QDBusConnection::sessionBus().connect(
            QString::fromLatin1(kPlankService), QString::fromLatin1(kPlankItemsPath),
            QString::fromLatin1(kPlankItemsInterface), QStringLiteral("Changed"), this, SLOT(changed()));
    }
    ~Receiver() override {
        QDBusConnection::sessionBus().disconnect(
            QString::fromLatin1(kPlankService), QString::fromLatin1(kPlankItemsPath),
            QString::fromLatin1(kPlankItemsInterface), QStringLiteral("Changed"), this, SLOT(changed()));
    }

public slots:
    void changed() { m_dock.reportChange(); }

private:
    PlankDock& m_dock;
    QDBusServiceWatcher m_watcher;
};

namespace {

QString uriOf(const QString& entryPath) {
    return QUrl::fromLocalFile(entryPath).toString(QUrl::FullyEncoded);
}

/// Plank's answer to `method`, or an error message when it gave none in time.
QDBusMessage callPlank(const QString& method, const QList<QVariant>& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kPlankService),
                                                       QString::fromLatin1(kPlankItemsPath),
                                                       QString::fromLatin1(kPlankItemsInterface), method);
    call.setArguments(arguments);
    // Block rather than BlockWithGui: nothing else of Tessly runs while it waits, so no handler can call in
    // again.
    return QDBusConnection::sessionBus().call(call, QDBus::Block, kPlankCallTimeoutMs);
}

/// A point of the X server's global coordinates (device pixels) in Qt's: the same unless Qt scales the screen
/// holding it, where Qt keeps each screen's top-left corner and divides the rest by the screen's pixel ratio.
QPointF qtGlobalFromX11(const QPointF& x11) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRectF logical = screen->geometry();
        const double ratio = screen->devicePixelRatio();
        const QRectF native(logical.topLeft(), logical.size() * ratio);
        if (ratio > 0 && native.contains(x11)) {
            return logical.topLeft() + (x11 - logical.topLeft()) / ratio;
        }
    }
    return x11;
}

std::optional<ScreenEdge> edgeOf(int gtkPosition) {
    switch (gtkPosition) {
    case 0:
        return ScreenEdge::left;
    case 1:
        return ScreenEdge::right;
    case 2:
        return ScreenEdge::top;
    case 3:
        return ScreenEdge::bottom;
    default:
        return std::nullopt;
    }
}

} // namespace

PlankDock::PlankDock() : m_receiver(std::make_unique<Receiver>(*this)) {}

PlankDock::~PlankDock() = default;

bool PlankDock::keep(const QString& entryPath) {
    const QDBusReply<bool> added = callPlank(QStringLiteral("Add"), {uriOf(entryPath)});
    if (added.isValid() && added.value()) {
        return true;
    }
    // Plank refuses to add what it already keeps.
    const std::optional<QStringList> kept = keptLaunchers();
    return kept && kept->contains(entryPath);
}

bool PlankDock::remove(const QString& entryPath) {
    const QDBusReply<bool> removed = callPlank(QStringLiteral("Remove"), {uriOf(entryPath)});
    if (removed.isValid() && removed.value()) {
        return true;
    }
    // Plank refuses to remove what it does not keep.
    const std::optional<QStringList> kept = keptLaunchers();
    return kept && !kept->contains(entryPath);
}

std::optional<QStringList> PlankDock::keptLaunchers() {
    const QDBusReply<QStringList> reply = callPlank(QStringLiteral("GetPersistentApplications"));
    if (!reply.isValid()) {
        return std::nullopt;
    }
    QStringList entries;
    for (const QString& uri : reply.value()) {
        const QUrl url(uri, QUrl::StrictMode);
        const QString path = url.isValid() && url.isLocalFile() ? url.toLocalFile() : QString();
        entries.append(QDir::isAbsolutePath(path) ? path : uri);
    }
    return entries;
}

std::optional<LauncherPosition> PlankDock::launcherPosition(const QString& entryPath) {
    const QDBusMessage reply = callPlank(QStringLiteral("GetHoverPosition"), {uriOf(entryPath)});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("iiib")) {
        return std::nullopt;
    }
    const QList<QVariant> values = reply.arguments();
    const std::optional<ScreenEdge> edge = edgeOf(values.at(2).toInt());
    if (!values.at(3).toBool() || !edge) {
        return std::nullopt;
    }
    const QPointF x11(values.at(0).toInt(), values.at(1).toInt());
    return LauncherPosition{toYUp(qtGlobalFromX11(x11)), *edge};
}

void PlankDock::reportChange() {
    // A copy: the handler may replace itself.
    if (const std::function<void()> handler = m_changeHandler) {
        handler();
    }
}

} // namespace tessly

#include "plank_dock_linux.moc"
