#pragma once

#include "platform/MediaProbe.h"

#include <memory>

namespace mebo {

// The media-facts service of this process: the FFmpeg module, loaded on the first probe (beside
// the executable in a build tree, from lib/mebo when installed). When it cannot be loaded, every
// probe fails with the reason.
std::shared_ptr<platform::MediaProbe> loadMediaProbe();

} // namespace mebo
