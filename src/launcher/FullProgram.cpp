#include "launcher/FullProgram.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace mebo {

namespace {

// Beside the backend modules, relative to this executable (bin/ in the install tree, src/ in the
// build tree; both have lib/mebo one level up).
std::string selfPath() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    return n > 0 ? std::string(self, size_t(n)) : std::string();
}

std::string fullProgramPath(const std::string& self) {
    if (const char* forced = std::getenv("MEBO_FULL_PROGRAM"); forced && *forced) {
        return forced;
    }
    if (self.empty()) {
        return "mebo-full";
    }
    return self.substr(0, self.rfind('/')) + "/../lib/mebo/mebo-full";
}

} // namespace

int FullProgram::exec(char** argv) {
    const std::string self = selfPath();
    const std::string path = fullProgramPath(self);
    // What the program registers as its command (autostart, URL handler, updates) is this launcher.
    if (!self.empty()) {
        setenv("MEBO_LAUNCHER", self.c_str(), 1);
    }
    execv(path.c_str(), argv);
    std::fprintf(stderr, "mebo: cannot start %s: %s\n", path.c_str(), std::strerror(errno));
    return 127;
}

} // namespace mebo
