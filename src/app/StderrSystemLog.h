#pragma once

#include "platform/SystemLog.h"

#include <mutex>

namespace mebo {

// The system log on Linux: standard error, one line per report.
class StderrSystemLog : public platform::SystemLog {
public:
    bool isEnabled(platform::SystemLogType type) const override;
    void write(platform::SystemLogType type, const QString& line) override;
    // Silences the sink (the command line's --quiet and tests).
    void setEnabled(bool enabled);

private:
    mutable std::mutex mutex_;
    bool enabled_ = true;
};

} // namespace mebo
