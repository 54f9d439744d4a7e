// libFuzzer target: video project files (.mebo-video) and the derived views over them.
#include "VideoDocumentFuzzInput.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = mebo::fuzz::runVideoDocumentFuzzInput(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "video document fuzzer: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
