#include "app/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <vector>

namespace mebo {

void parallelFor(int count, const std::function<void(int)>& fn, const char* threadName) {
    if (count <= 0) {
        return;
    }
    const int helpers = std::min<int>(count - 1, std::max(1U, std::thread::hardware_concurrency()) - 1);
    if (helpers <= 0) {
        for (int i = 0; i < count; ++i) {
            fn(i);
        }
        return;
    }
    std::atomic<int> next{0};
    auto work = [&] {
        for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
            fn(i);
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(size_t(helpers));
    for (int t = 0; t < helpers; ++t) {
        threads.emplace_back([&work, threadName] {
            pthread_setname_np(pthread_self(), threadName);
            work();
        });
    }
    work();
    for (std::thread& t : threads) {
        t.join(); // each has run out of indices, so this is at most the end of one call
    }
}

} // namespace mebo
