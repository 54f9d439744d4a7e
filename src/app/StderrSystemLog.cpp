#include "app/StderrSystemLog.h"

#include <cstdio>

namespace mebo {

bool StderrSystemLog::isEnabled(platform::SystemLogType) const {
    std::lock_guard lock(mutex_);
    return enabled_;
}

void StderrSystemLog::setEnabled(bool enabled) {
    std::lock_guard lock(mutex_);
    enabled_ = enabled;
}

void StderrSystemLog::write(platform::SystemLogType, const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::lock_guard lock(mutex_);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

} // namespace mebo
