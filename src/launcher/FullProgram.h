#pragma once

namespace mebo {

// The full program (Qt Gui, Widgets and the backend modules), installed beside the modules in
// lib/mebo; the 'mebo' on the path is a launcher that starts it for everything but the quick
// capture path.
class FullProgram {
public:
    // Replaces this process with the full program, same arguments and environment. Returns only
    // when that fails, with the exit status to leave with (after saying why on standard error).
    static int exec(char** argv);
};

} // namespace mebo
