// libFuzzer target: project files and every layer payload type.
#include "DocumentFuzzInput.h"

#include "app/AppLogger.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Log records are handed to the main thread's queue: an application object must exist, and
    // the queue is drained after each input. The system log stays silent.
    static QCoreApplication app(*argc, *argv);
    mebo::AppLogger::shared().setSystemLog(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = mebo::fuzz::runDocumentFuzzInput(data, size);
    QCoreApplication::sendPostedEvents();
    if (!problem.empty()) {
        std::fprintf(stderr, "document fuzzer: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
