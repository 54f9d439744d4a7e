#pragma once

#include "app/LogLevel.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

namespace mebo {

struct LogEntry {
    QUuid id;
    QDateTime timestamp;
    LogLevel level = LogLevel::info;
    QString msg;
};

} // namespace mebo
