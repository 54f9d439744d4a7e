#pragma once

#include <optional>

namespace mebo {

// 'mebo capture fullscreen' and 'mebo capture area --geometry' without Qt Gui: the settings, the
// grab through MIT-SHM, the PNG, the library index entry, the log and the output the full
// command gives, in a process that loads a fraction of its libraries. Every case it does not
// cover exactly (other modes and options, the clipboard, a HiDPI display, a library that needs
// its orphan scan or prune, a server without MIT-SHM, any error) is left to the full program:
// it then answers nothing, having written nothing and printed nothing.
class QuickCapture {
public:
    // The exit status when the capture was taken here; nothing when the full program must run.
    static std::optional<int> run(int argc, char** argv);
};

} // namespace mebo
