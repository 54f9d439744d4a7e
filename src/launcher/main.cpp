#include "launcher/FullProgram.h"
#include "launcher/QuickCapture.h"

int main(int argc, char** argv) {
    if (const auto status = mebo::QuickCapture::run(argc, argv)) {
        return *status;
    }
    return mebo::FullProgram::exec(argv);
}
