#pragma once

#include <functional>

namespace mebo {

// Queues `fn` on the main thread's event loop (the application object's thread). Safe from any
// thread; never runs `fn` synchronously.
void runOnMain(std::function<void()> fn);
bool isMainThread();

} // namespace mebo
