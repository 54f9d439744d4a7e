#pragma once

#include <QString>

namespace mebo {

namespace platform {
class DefaultsStore;
}

// The installation's anonymous identifier: an upper-case UUID kept under "MeboDeviceId",
// created the first time it is asked for and the same ever after.
class DeviceId {
public:
    static constexpr const char* key = "MeboDeviceId";
    static QString get(platform::DefaultsStore& defaults);
};

} // namespace mebo
