#pragma once

#include "app/LogEntry.h"
#include "platform/SystemLog.h"

#include <QList>
#include <QObject>
#include <functional>

namespace mebo {

// The process-wide execution log. A report goes to the system log (default, error and fault
// types only) and, separately, to the in-memory list the Logs tab shows. Any thread may report;
// the list itself lives on the main thread.
class AppLogger : public QObject {
    Q_OBJECT
public:
    static constexpr int maxLogCount = 200;

    // The shared instance; created on first use with the standard-error system log.
    static AppLogger& shared();
    // Replaces the system log sink (the composition root and tests); not thread-safe with
    // concurrent reports, call before work starts.
    void setSystemLog(platform::SystemLog* log);

    // System-log write. Runs on the caller's thread.
    void os(platform::SystemLogType type, const QString& msg);
    // In-app record. Appended on the main thread, asynchronously.
    void record(LogLevel level, const QString& msg);

    // The usual pairings: os + record with the same message.
    void info(const QString& msg);    // default + info
    void warning(const QString& msg); // default + warning
    void error(const QString& msg);   // error + error
    void success(const QString& msg); // default + success
    void debug(const QString& msg);   // info (not in the system log) + debug

    const QList<LogEntry>& recentLogs() const { return recentLogs_; }
    // Newest first, one line per entry: icon, "HH:mm:ss", message.
    QString copyAllText() const;
    void clear();

Q_SIGNALS:
    void recentLogsChanged();

private:
    explicit AppLogger(platform::SystemLog* log);
    void append(LogEntry entry);

    platform::SystemLog* osLogger_;
    QList<LogEntry> recentLogs_;
};

// Short forms used throughout the core.
inline void logInfo(const QString& m) {
    AppLogger::shared().info(m);
}
inline void logWarning(const QString& m) {
    AppLogger::shared().warning(m);
}
inline void logError(const QString& m) {
    AppLogger::shared().error(m);
}
inline void logSuccess(const QString& m) {
    AppLogger::shared().success(m);
}

} // namespace mebo
