// The current date.
//
// Logic never reads the system clock itself; it is handed a Clock, so that tests can run in virtual time.
//
//     Date now = clock.now();
//
// Main thread only.
#pragma once

#include "platform/date.h"

namespace tessly {

class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual Date now() const = 0;
};

} // namespace tessly
