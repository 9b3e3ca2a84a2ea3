// An observation of a notification center that ends with its owner: kept as a member, it removes itself when
// the owner is destroyed (or when it is reset or replaced), so that no handler outlives the object it calls.
//
//     m_languageObserver = ScopedObserver(center, center.addObserver(kLanguageChanged, [this](auto&) { ...
//     })); std::vector<ScopedObserver<NotificationCenter>> m_observers;   // several, ended together
//
// Declare such members last, so that they end first: a notification posted while the other members are
// destroyed then finds no handler of this object. Works with any center that has
// removeObserver(ObserverToken) (the local one and the distributed one). Main thread only, as the centers
// are.
#pragma once

#include "platform/notification_center.h"

#include <utility>

namespace tessly {

template <typename Center> class ScopedObserver {
public:
    ScopedObserver() = default;
    ScopedObserver(Center& center, ObserverToken token) : m_center(&center), m_token(token) {}
    ScopedObserver(ScopedObserver&& other) noexcept
        : m_center(std::exchange(other.m_center, nullptr)), m_token(other.m_token) {}
    ScopedObserver& operator=(ScopedObserver&& other) noexcept {
        if (this != &other) {
            reset();
            m_center = std::exchange(other.m_center, nullptr);
            m_token = other.m_token;
        }
        return *this;
    }
    ScopedObserver(const ScopedObserver&) = delete;
    ScopedObserver& operator=(const ScopedObserver&) = delete;
    ~ScopedObserver() { reset(); }

    /// Ends the observation now; harmless when there is none.
    void reset() {
        if (Center* center = std::exchange(m_center, nullptr)) {
            center->removeObserver(m_token);
        }
    }

private:
    Center* m_center = nullptr;
    ObserverToken m_token = 0;
};

} // namespace tessly
