// Extended attributes through llistxattr, lremovexattr and lsetxattr: a symbolic link is the link itself,
// never what it points at.
//
//     LinuxExtendedAttributes attributes;
//     for (const QString& name : attributes.list(path)) attributes.remove(path, name);
//
// Linux keeps attributes in namespaces; an unprivileged process can set only "user." names, and only on
// regular files and directories (not on links), on a file system that supports them. Attributes of other
// namespaces that it can see ("security.", "system.") are listed, and removing them fails without harm.
// Names are UTF-8.
//
// Main thread only.
#pragma once

#include "platform/extended_attributes.h"

namespace tessly {

class LinuxExtendedAttributes final : public ExtendedAttributes {
public:
    [[nodiscard]] QStringList list(const QString& path) const override;
    bool remove(const QString& path, const QString& name) override;
    bool set(const QString& path, const QString& name, const QByteArray& value) override;
};

} // namespace tessly
