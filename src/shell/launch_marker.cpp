#include "shell/launch_marker.h"

#include <QString>
#include <QStringDecoder>

#include <charconv>

namespace tessly {

std::optional<double> parseLaunchMarker(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = QString(decoder(bytes)).trimmed();
    if (decoder.hasError() || text.isEmpty()) {
        return std::nullopt;
    }
    const QByteArray latin = text.toLatin1();
    if (QString::fromLatin1(latin) != text) {
        return std::nullopt;
    }
    // from_chars reads in the C locale whatever the process's locale, and says how much it read.
    double value = 0;
    const char* end = latin.constData() + latin.size();
    const auto [stop, error] = std::from_chars(latin.constData(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace tessly
