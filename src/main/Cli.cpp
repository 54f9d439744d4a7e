#include "main/Cli.h"

#include <cstdio>

namespace mebo {

int runMain(int, char**) {
    std::fputs("mebo: nothing here yet\n", stderr);
    return 1;
}

} // namespace mebo
