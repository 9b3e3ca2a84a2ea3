// A temporary home folder for one test, removed afterwards. Nothing a test does touches the real home.
#pragma once

#include "platform/paths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace tessly::testing {

class TempHome {
public:
    TempHome() : m_dir(QDir::tempPath() + QStringLiteral("/tessly-home-XXXXXX")) {}

    [[nodiscard]] QString path() const { return m_dir.path(); }
    [[nodiscard]] Paths paths() const { return Paths(m_dir.path()); }

    /// Writes `bytes` to `relativePath` under the home, creating folders; returns the absolute path.
    QString write(const QString& relativePath, const QByteArray& bytes) const {
        const QString full = path() + QLatin1Char('/') + relativePath;
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile file(full);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(bytes);
        }
        return full;
    }

    [[nodiscard]] static QByteArray read(const QString& absolutePath) {
        QFile file(absolutePath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
};

} // namespace tessly::testing
