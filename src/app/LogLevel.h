#pragma once

#include <QString>

namespace mebo {

// In-app level of a log entry; the numeric value is the stored order.
enum class LogLevel : int { debug = 0, info = 1, warning = 2, error = 3, success = 4 };

QString logLevelIcon(LogLevel level);

} // namespace mebo
