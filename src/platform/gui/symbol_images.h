// Named system symbols ("folder.fill", "nosign", "checkmark.circle", ...) as images, the way the platform's
// symbol images are looked up by name and configured by point size and weight.
//
//     if (ImagePtr symbol = symbols.symbol("folder.fill", 244.2, SymbolWeight::bold)) { ... }
//     else { /* no such symbol: draw the name as text */ }
//
// A symbol image is a template: opaque where the symbol is, transparent elsewhere, drawn in black; callers
// tint it. Main thread only.
#pragma once

#include "platform/gui/image.h"

#include <QString>

namespace tessly {

enum class SymbolWeight { regular, bold };

class SymbolImages {
public:
    virtual ~SymbolImages() = default;

    /// The symbol named `name` configured at `pointSize` (its size() is a square of about that side) and
    /// weight; nullptr when there is no such symbol.
    [[nodiscard]] virtual ImagePtr symbol(const QString& name, double pointSize,
                                          SymbolWeight weight) const = 0;
};

} // namespace tessly
