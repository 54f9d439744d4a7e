#pragma once

#include <functional>

namespace mebo {

// Runs `fn` on the global thread pool at utility priority (QThread::LowPriority while it runs;
// pool threads are shared, so each gets its previous priority back afterwards). Any thread.
void startUtilityTask(std::function<void()> fn);
// The same at normal priority: work the user is waiting for (a fill, text recognition).
void startUserInitiatedTask(std::function<void()> fn);

} // namespace mebo
