// Work queued for later on behalf of an object, that does nothing once the object is gone: a completion, a
// posted closure, a handler another object calls back.
//
//     m_queue.async(guarded(this, [this] { closePopup(); }));
//     workspace.openApplication(path, configuration, guarded(this, [this](const auto& error) { ... }));
//
// The closure may use its owner freely: it runs only while the owner lives. For a debounce (one pending run,
// replaced by the next) a DelayedWork member is the better tool. Main thread only, as QPointer is.
#pragma once

#include <QPointer>

#include <utility>

namespace tessly {

/// `work`, to be called later with any arguments, called only while `owner` (a QObject) still exists.
template <typename Owner, typename Work> [[nodiscard]] auto guarded(Owner* owner, Work work) {
    return [guard = QPointer<Owner>(owner), work = std::move(work)](auto&&... arguments) mutable {
        if (guard) {
            work(std::forward<decltype(arguments)>(arguments)...);
        }
    };
}

} // namespace tessly
