// Extended attributes of files: listing and removing them.
//
//     for (const QString& name : attributes.list(path)) attributes.remove(path, name);
//
// A symbolic link is treated as itself, never followed: clearing the attributes of a bundle never changes a
// file outside it through a link inside it. Failures read as "no attributes" or are reported as false.
// Main thread only.
#pragma once

#include <QString>
#include <QStringList>

namespace tessly {

class ExtendedAttributes {
public:
    virtual ~ExtendedAttributes() = default;
    [[nodiscard]] virtual QStringList list(const QString& path) const = 0;
    virtual bool remove(const QString& path, const QString& name) = 0;
    /// Sets an attribute (the program itself sets none; tests and icon writes do).
    virtual bool set(const QString& path, const QString& name, const QByteArray& value) = 0;
};

} // namespace tessly
