// The decoder of received broadcasts against any payload: the first byte chooses whether an object text is
// there, the rest is split at the first two NUL bytes into the name, the object and the user information.
#include "platform/linux/dbus_notification_center_linux.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessly;
    if (size == 0) {
        return 0;
    }
    const bool hasObject = (data[0] & 1) != 0;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const qsizetype nameEnd = rest.indexOf('\0');
    const qsizetype objectEnd = nameEnd < 0 ? -1 : rest.indexOf('\0', nameEnd + 1);
    const QString name = QString::fromUtf8(nameEnd < 0 ? rest : rest.left(nameEnd));
    const QString object =
        objectEnd < 0 ? QString() : QString::fromUtf8(rest.mid(nameEnd + 1, objectEnd - nameEnd - 1));
    const QByteArray userInfo = objectEnd < 0 ? QByteArray() : rest.mid(objectEnd + 1);
    const auto notification = decodeDistributedNotification(name, hasObject, object, userInfo);
    if (notification && notification->name != name) {
        __builtin_trap();
    }
    return 0;
}
