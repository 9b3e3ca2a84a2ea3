// An icon file (PNG, icns, SVG, or any format Qt's image readers know by content) as an image that decodes
// only what its drawing needs.
//
//     ImagePtr icon = readIconFileData(bytes);     // the sizes it holds are read, one small image decoded
//     icon->draw(painter, QRectF(0, 0, 48, 48));   // on a screen of two pixels per point: the 96-pixel one
//
// Reading looks only at the headers: an icns's entries (PNG and JPEG 2000 ones by their own headers, the old
// 32-bit ones of 16, 32, 48 and 128 pixels by their type, with their masks) and the images of any other file,
// each with its size. An image over kMaximumIconImagePixels is passed over, except a vector one (SVG), which
// is rendered at the size asked rather than its own. Reading then decodes the smallest image, so that a file
// that holds nothing decodable gives nothing; a file without any usable image gives nullptr.
//
// A draw decodes the one image it needs: the smallest at least as large as the device pixels it covers (the
// screen's pixel ratio included), else the largest; a vector image, or one over 128 x 128 pixels whose reader
// decodes it scaled (JPEG, and PNG without a palette), at those pixels. A bitmap it keeps serves every draw
// it is large enough for. What an icon keeps decoded never exceeds
// kMaximumIconImagePixels: an image that would go beyond lets go of the others first. An image that fails to
// decode is passed over for the next best.
//
// Main thread only (drawing keeps what it decoded).
#pragma once

#include "platform/gui/image.h"

#include <QByteArray>

namespace tessly {

/// Pixels of one image of an icon, at most: 2048 x 2048 (16 MB decoded). The largest image of an icns is
/// 1024 x 1024 pixels; an image larger than this is never decoded.
inline constexpr qint64 kMaximumIconImagePixels = 2048 * 2048;
/// Images looked at in one icon file at most (an animated image is not an icon; its first frames stand for
/// it).
inline constexpr int kMaximumIconImages = 32;

/// The icon in the bytes of an icon file; nullptr when it holds no image that can be decoded within the
/// limit.
[[nodiscard]] ImagePtr readIconFileData(QByteArray data);

/// What an icon made by readIconFileData() has decoded.
struct IconDecodingForTesting {
    /// Images decoded so far.
    int decodes = 0;
    /// Their pixels, all together.
    qint64 decodedPixels = 0;
    /// The pixels of the images it keeps now.
    qint64 keptPixels = 0;
};
/// For an icon made by readIconFileData(); zeros for any other image.
[[nodiscard]] IconDecodingForTesting iconDecodingForTesting(const Image& icon);

} // namespace tessly
