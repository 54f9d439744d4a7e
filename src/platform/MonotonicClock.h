#pragma once

#include <chrono>
#include <cstdint>

namespace mebo::platform {

// The one clock that stamps recorded video frames, audio buffers and cursor samples, so that
// they line up without conversion: nanoseconds of CLOCK_MONOTONIC.
inline int64_t monotonicNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace mebo::platform
