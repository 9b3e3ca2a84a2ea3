// A stand-in for Plank's items interface, owning Plank's name on the session bus from a connection and a
// thread of its own, as the real Plank answers from another process while Tessly's main thread waits for it.
//
//     FakePlankService plank;
//     ASSERT_TRUE(plank.start());            // the name and the items object
//     plank.items().setPersistent({"file:///a.desktop"});
//     plank.emitChanged();
#pragma once

#include "platform/linux/plank_dock_linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QThread>

namespace tessly::testing {

/// Answers as Plank 0.11 does: Add refuses what it keeps, Remove what it does not; URIs containing "refused"
/// are refused by both. Records every call as "<method> <uri>".
class FakePlankItems final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.launchpad.plank.Items")

public:
    struct Hover {
        int x = -1;
        int y = -1;
        int dockPosition = 0;
        bool result = false;
    };

    [[nodiscard]] QStringList persistent() const {
        const QMutexLocker lock(&m_mutex);
        return m_persistent;
    }
    void setPersistent(const QStringList& uris) {
        const QMutexLocker lock(&m_mutex);
        m_persistent = uris;
    }
    [[nodiscard]] QStringList calls() const {
        const QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    void setHover(const QString& uri, Hover hover) {
        const QMutexLocker lock(&m_mutex);
        m_hovers.insert(uri, hover);
    }
    /// A hung Plank takes every call and never answers.
    void setHung(bool hung) {
        const QMutexLocker lock(&m_mutex);
        m_hung = hung;
    }

public slots:
    bool Add(const QString& uri) {
        const QMutexLocker lock(&m_mutex);
        if (record(QStringLiteral("Add ") + uri) || m_persistent.contains(uri) || uri.contains("refused")) {
            return false;
        }
        m_persistent.append(uri);
        return true;
    }
    bool Remove(const QString& uri) {
        const QMutexLocker lock(&m_mutex);
        if (record(QStringLiteral("Remove ") + uri) || uri.contains("refused")) {
            return false;
        }
        return m_persistent.removeAll(uri) > 0;
    }
    int GetCount() {
        const QMutexLocker lock(&m_mutex);
        return record(QStringLiteral("GetCount")) ? 0 : static_cast<int>(m_persistent.size());
    }
    QStringList GetPersistentApplications() {
        const QMutexLocker lock(&m_mutex);
        return record(QStringLiteral("GetPersistentApplications")) ? QStringList() : m_persistent;
    }
    QStringList GetTransientApplications() {
        const QMutexLocker lock(&m_mutex);
        (void)record(QStringLiteral("GetTransientApplications"));
        return {};
    }
    int GetHoverPosition(const QString& uri, int& y, int& dockPosition, bool& result) {
        const QMutexLocker lock(&m_mutex);
        const Hover hover = m_hovers.value(uri);
        (void)record(QStringLiteral("GetHoverPosition ") + uri);
        y = hover.y;
        dockPosition = hover.dockPosition;
        result = hover.result;
        return hover.x;
    }

private:
    /// Records the call; true when hung, the answer then withheld.
    bool record(const QString& call) {
        m_calls.append(call);
        if (m_hung) {
            setDelayedReply(true);
        }
        return m_hung;
    }

    mutable QMutex m_mutex;
    QStringList m_persistent;
    QStringList m_calls;
    QHash<QString, Hover> m_hovers;
    bool m_hung = false;
};

class FakePlankService {
public:
    FakePlankService() {
        m_thread.start();
        m_items.moveToThread(&m_thread);
    }
    ~FakePlankService() {
        stop();
        m_thread.quit();
        m_thread.wait();
    }
    FakePlankService(const FakePlankService&) = delete;
    FakePlankService& operator=(const FakePlankService&) = delete;

    /// Owns Plank's name on the session bus, with the items object unless `withItems` is false (as in the
    /// moment after Plank starts).
    [[nodiscard]] bool start(bool withItems = true) {
        m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-plank"));
        return (!withItems || publishItems()) && m_bus.registerService(QString::fromLatin1(kPlankService));
    }
    [[nodiscard]] bool publishItems() {
        return m_bus.registerObject(QString::fromLatin1(kPlankItemsPath), &m_items,
                                    QDBusConnection::ExportAllSlots);
    }
    /// Plank quits: its name and object go.
    void stop() {
        if (!m_bus.isConnected()) {
            return;
        }
        m_bus.unregisterObject(QString::fromLatin1(kPlankItemsPath));
        (void)m_bus.unregisterService(QString::fromLatin1(kPlankService));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-plank"));
        m_bus = QDBusConnection(QString());
    }
    void emitChanged() {
        m_bus.send(QDBusMessage::createSignal(QString::fromLatin1(kPlankItemsPath),
                                              QString::fromLatin1(kPlankItemsInterface),
                                              QStringLiteral("Changed")));
    }

    FakePlankItems& items() { return m_items; }

private:
    QThread m_thread;
    FakePlankItems m_items;
    QDBusConnection m_bus{QString()};
};

} // namespace tessly::testing
