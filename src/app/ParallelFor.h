#pragma once

#include <functional>

namespace mebo {

// Runs fn(i) for every i in [0, count) on the calling thread and on helper threads started for
// the call (one fewer than the machine's cores, named `threadName`), and returns when every call
// has returned. Indices are handed out in order, one at a time, to whichever thread is free. The
// caller works too, so a call on the main thread is a short parallel stretch, not a wait on
// background work; fn must only touch what its index owns (or what is shared read-only).
void parallelFor(int count, const std::function<void(int)>& fn, const char* threadName = "mebo.parallel");

} // namespace mebo
