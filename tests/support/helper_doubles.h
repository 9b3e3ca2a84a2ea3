// Doubles of the ports the helper machinery uses: a recording workspace, scripted child processes, extended
// attributes and another application's preferences held in memory.
#pragma once

#include "platform/child_process.h"
#include "platform/extended_attributes.h"
#include "platform/main_queue.h"
#include "platform/preferences_domain.h"
#include "platform/workspace.h"

#include <QHash>
#include <QList>
#include <functional>

namespace tessly::testing {

/// Opens nothing: records each request and completes it on the queue with `openError` (success when empty).
/// A successful open adds the bundle to the running applications, as the platform would.
class RecordingWorkspace final : public Workspace {
public:
    explicit RecordingWorkspace(MainQueue& queue) : m_queue(queue) {}

    struct Open {
        QString bundlePath;
        OpenConfiguration configuration;
    };

    void openApplication(const QString& bundlePath, const OpenConfiguration& configuration,
                         OpenCompletion completion) override {
        opens.append({bundlePath, configuration});
        const std::optional<QString> error = openError;
        if (!error) {
            running.append({nextPid++, bundlePath});
        }
        m_queue.async([completion = std::move(completion), error] { completion(error); });
    }
    [[nodiscard]] QList<RunningApplication> runningApplications() const override { return running; }
    bool terminate(const RunningApplication& application) override {
        terminated.append(application.bundlePath.value_or(QString()));
        running.removeIf([&](const RunningApplication& r) {
            return r.processIdentifier == application.processIdentifier;
        });
        return true;
    }

    QList<Open> opens;
    QList<RunningApplication> running;
    QStringList terminated;
    std::optional<QString> openError;
    qint64 nextPid = 1000;

private:
    MainQueue& m_queue;
};

/// Records each run; `script` decides the result (by default: started, status 0, nothing on standard error).
class ScriptedChildProcesses final : public ChildProcessRunner {
public:
    struct Run {
        QString program;
        QStringList arguments;
        StandardError standardError;
    };

    ChildProcessResult run(const QString& program, const QStringList& arguments,
                           StandardError mode) override {
        runs.append({program, arguments, mode});
        if (script) {
            return script(program, arguments);
        }
        return {true, {}, 0, {}};
    }

    QList<Run> runs;
    std::function<ChildProcessResult(const QString&, const QStringList&)> script;
};

class InMemoryExtendedAttributes final : public ExtendedAttributes {
public:
    [[nodiscard]] QStringList list(const QString& path) const override {
        return attributes.value(path).keys();
    }
    bool remove(const QString& path, const QString& name) override {
        removed.append(path + QLatin1Char('#') + name);
        return attributes[path].remove(name) > 0;
    }
    bool set(const QString& path, const QString& name, const QByteArray& value) override {
        attributes[path].insert(name, value);
        return true;
    }

    QHash<QString, QHash<QString, QByteArray>> attributes;
    QStringList removed;
};

class InMemoryPreferencesDomain final : public PreferencesDomain {
public:
    void synchronize() override { ++synchronizations; }
    [[nodiscard]] std::optional<PlistValue> copyValue(const QString& key) const override {
        if (const PlistValue* value = values.find(key)) {
            return *value;
        }
        return std::nullopt;
    }
    void setValue(const QString& key, const std::optional<PlistValue>& value) override {
        writes.append(key);
        if (value) {
            values.set(key, *value);
        } else {
            values.remove(key);
        }
    }

    PlistDictionary values;
    QStringList writes;
    int synchronizations = 0;
};

} // namespace tessly::testing
