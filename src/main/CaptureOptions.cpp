#include "main/CaptureOptions.h"

namespace mebo::cli {

const QList<OptionSpec>& captureOptions() {
    static const QList<OptionSpec> specs{{"display", true},  {"window", true}, {"geometry", true},
                                         {"save-dir", true}, {"copy", false},  {"sound", false},
                                         {"delay", true},    {"json", false},  {"list-displays", false},
                                         {"verbose", false}, {"help", false}};
    return specs;
}

} // namespace mebo::cli
