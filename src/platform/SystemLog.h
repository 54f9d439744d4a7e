#pragma once

#include <QString>

namespace mebo::platform {

enum class SystemLogType { Default, Info, Debug, Error, Fault };

// The system log. On Linux this is standard error; any thread may write.
class SystemLog {
public:
    virtual ~SystemLog() = default;
    virtual bool isEnabled(SystemLogType type) const = 0;
    // `line` is already formatted ("[MM/dd HH:mm:ss.SSS] message").
    virtual void write(SystemLogType type, const QString& line) = 0;
};

} // namespace mebo::platform
