// libFuzzer target: the defaults file (defaults.json), read and written back by the store.
#include "DefaultsFileFuzzInput.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {
QString filePath() {
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("defaults.json"));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = mebo::fuzz::runDefaultsFileFuzzInput(data, size, filePath());
    if (!problem.empty()) {
        std::fprintf(stderr, "defaults fuzzer: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
