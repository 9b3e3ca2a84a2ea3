// Pixel checks of the graphical adapters' tests: one pixel against a colour, opaque pixels counted, the box
// of what was drawn.
#pragma once

#include <QImage>
#include <QRect>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace tessly::testing {

/// Components (alpha included, not premultiplied) within `tolerance` of the expected ones.
inline ::testing::AssertionResult pixelNear(const QImage& image, int x, int y, QRgb expected,
                                            int tolerance = 2) {
    const QRgb actual = image.pixel(x, y);
    const int d =
        std::max({std::abs(qRed(actual) - qRed(expected)), std::abs(qGreen(actual) - qGreen(expected)),
                  std::abs(qBlue(actual) - qBlue(expected)), std::abs(qAlpha(actual) - qAlpha(expected))});
    if (d <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << std::hex << actual << ", expected " << expected;
}

/// The number of pixels with any opacity in `area` (the whole image when empty).
inline int opaquePixels(const QImage& image, QRect area = {}) {
    if (area.isEmpty()) {
        area = image.rect();
    }
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return count;
}

/// The smallest rectangle holding every pixel with any opacity; empty when there is none.
inline QRect drawnBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

} // namespace tessly::testing
