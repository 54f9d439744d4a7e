// libFuzzer target: the capture library's index (index.json).
#include "HistoryIndexFuzzInput.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = mebo::fuzz::runHistoryIndexFuzzInput(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "history index fuzzer: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
