#pragma once

#include <QString>

#include <optional>

namespace mebo {

// What the build says about the application, under the keys a bundle's information list uses
// ("CFBundleShortVersionString", "CFBundleVersion", "CFBundleIdentifier", "CFBundleName").
// The values are stamped into the program at build time (BundleInfoValues.cpp, generated from the
// project's version); an environment variable "MEBO_INFO_" + key replaces one, so a test can run
// the program as another version. Any thread.
class BundleInfo {
public:
    // The value of `key`, the environment's first; nothing for a key the build does not know.
    static std::optional<QString> value(const QString& key);
    // The value stamped at build time, ignoring the environment.
    static std::optional<QString> builtIn(const QString& key);
};

} // namespace mebo
