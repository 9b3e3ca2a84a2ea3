// Names as they are safe to show. A folder's name comes from the folder file and an application's from its
// bundle, and either may hold characters that are not seen but act: bidirectional overrides that make
// "invoice<RLO>fdp.exe" read "invoiceexe.pdf", isolates and embeddings that reorder the text around the name,
// and control characters that break a one-line label. Only what is shown changes; the stored name stays as
// it was written.
//
//     painter.drawText(rect, displayedName(folder.name));
//     message.arg(isolatedName(folder.name));              // a name inside a sentence
//
// Plain functions; use them from any thread.
#pragma once

#include <QString>

namespace tessly {

/// `name` without the explicit bidirectional formatting characters (U+061C, U+200E, U+200F, U+202A to U+202E,
/// U+2066 to U+2069), with each tab, line break or other line-breaking control shown as a space, and without
/// the other control characters. Everything else stays, the joiners of emoji sequences included.
[[nodiscard]] QString displayedName(const QString& name);

/// displayedName() as a unit of its own within surrounding text (first-strong isolate ... pop directional
/// isolate): a name written right to left neither moves nor is moved by the words around it.
[[nodiscard]] QString isolatedName(const QString& name);

} // namespace tessly
