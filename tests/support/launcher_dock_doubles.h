// Doubles of the launcher dock ports: a dock that keeps its launchers in a list the test can change as a user
// would (dragging one off), and a discovery whose dock the test switches.
#pragma once

#include "platform/launcher_dock.h"

#include <QHash>
#include <memory>

namespace tessly::testing {

class FakeLauncherDock final : public LauncherDock {
public:
    [[nodiscard]] QString name() const override { return QStringLiteral("Fake Dock"); }
    bool keep(const QString& entryPath) override {
        keepRequests.append(entryPath);
        if (!answers || refusesToKeep) {
            return false;
        }
        if (!kept.contains(entryPath)) {
            kept.append(entryPath);
        }
        return true;
    }
    bool remove(const QString& entryPath) override {
        removeRequests.append(entryPath);
        if (!answers) {
            return false;
        }
        kept.removeAll(entryPath);
        return true;
    }
    [[nodiscard]] std::optional<QStringList> keptLaunchers() override {
        return answers ? std::optional<QStringList>(kept) : std::nullopt;
    }
    [[nodiscard]] std::optional<LauncherPosition> launcherPosition(const QString& entryPath) override {
        const auto found = positions.constFind(entryPath);
        return answers && found != positions.constEnd() ? std::optional<LauncherPosition>(*found)
                                                        : std::nullopt;
    }
    void setChangeHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

    /// What the user does in the dock: its list changes and it reports the change.
    void userRemoves(const QString& entryPath) {
        kept.removeAll(entryPath);
        reportChange();
    }
    void reportChange() {
        if (m_handler) {
            m_handler();
        }
    }
    [[nodiscard]] bool hasChangeHandler() const { return static_cast<bool>(m_handler); }

    QStringList kept;
    QStringList keepRequests;
    QStringList removeRequests;
    QHash<QString, LauncherPosition> positions;
    /// A dock that does not answer yet (just started) or any more.
    bool answers = true;
    bool refusesToKeep = false;

private:
    std::function<void()> m_handler;
};

/// One process's view of the session's dock, switched by the test; the launcher dock it hands out for Plank
/// and GNOME is the one dock all processes share.
class FakeDockDiscovery final : public DockDiscovery {
public:
    explicit FakeDockDiscovery(FakeLauncherDock& launcher, std::optional<DockKind> dock)
        : m_launcher(launcher), m_dock(dock) {}

    [[nodiscard]] std::optional<DockKind> currentDock() const override { return m_dock; }
    [[nodiscard]] LauncherDock* launcherDock() override {
        return m_dock && *m_dock != DockKind::standIn ? &m_launcher : nullptr;
    }
    void setChangeHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

    void switchTo(std::optional<DockKind> dock) {
        m_dock = dock;
        if (m_handler) {
            m_handler();
        }
    }

private:
    FakeLauncherDock& m_launcher;
    std::optional<DockKind> m_dock;
    std::function<void()> m_handler;
};

} // namespace tessly::testing
