#include "app/AppLogger.h"

#include "app/MainThread.h"
#include "app/StderrSystemLog.h"

#include <QStringList>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>
#include <mutex>

namespace mebo {

QString logLevelIcon(LogLevel level) {
    switch (level) {
    case LogLevel::debug:
        return QStringLiteral("🔍");
    case LogLevel::info:
        return QStringLiteral("ℹ️");
    case LogLevel::warning:
        return QStringLiteral("⚠️");
    case LogLevel::error:
        return QStringLiteral("❌");
    case LogLevel::success:
        return QStringLiteral("✅");
    }
    return {};
}

namespace {

// "MM/dd HH:mm:ss.SSS" in en_US_POSIX and the current zone, built once. ICU formatters are not
// thread-safe for concurrent format() calls, so the shared one is used under a lock.
struct SystemLogClock {
    std::mutex mutex;
    std::unique_ptr<icu::SimpleDateFormat> format;

    SystemLogClock() {
        UErrorCode status = U_ZERO_ERROR;
        format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(u"MM/dd HH:mm:ss.SSS"),
                                                         icu::Locale("en_US_POSIX"), status);
        if (U_FAILURE(status)) {
            format.reset();
        }
    }

    QString now() {
        std::lock_guard lock(mutex);
        if (!format) {
            return QDateTime::currentDateTime().toString(QStringLiteral("MM/dd HH:mm:ss.zzz"));
        }
        icu::UnicodeString out;
        format->format(icu::Calendar::getNow(), out);
        return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
    }
};

SystemLogClock& systemLogClock() {
    static SystemLogClock clock;
    return clock;
}

} // namespace

AppLogger& AppLogger::shared() {
    static StderrSystemLog* stderrLog = new StderrSystemLog;
    static AppLogger* instance = new AppLogger(stderrLog);
    return *instance;
}

AppLogger::AppLogger(platform::SystemLog* log) : osLogger_(log) {}

void AppLogger::setSystemLog(platform::SystemLog* log) {
    osLogger_ = log;
}

void AppLogger::os(platform::SystemLogType type, const QString& msg) {
    using platform::SystemLogType;
    if (type != SystemLogType::Default && type != SystemLogType::Error && type != SystemLogType::Fault) {
        return;
    }
    platform::SystemLog* sink = osLogger_;
    if (!sink || !sink->isEnabled(type)) {
        return;
    }
    sink->write(type, QStringLiteral("[%1] %2").arg(systemLogClock().now(), msg));
}

void AppLogger::record(LogLevel level, const QString& msg) {
    // The local time is worked out on the main thread: glibc guards its time-zone state with a lock
    // of its own that the thread checker cannot see, so every thread's conversion looked racy.
    LogEntry entry{QUuid::createUuid(), QDateTime::currentDateTimeUtc(), level, msg};
    // Always through the queue, also on the main thread, so reports keep their order per thread
    // and the caller never waits on the list.
    runOnMain([this, entry = std::move(entry)]() mutable {
        entry.timestamp = entry.timestamp.toLocalTime();
        append(std::move(entry));
    });
}

void AppLogger::append(LogEntry entry) {
    recentLogs_.append(std::move(entry));
    if (recentLogs_.size() > maxLogCount) {
        recentLogs_.removeFirst();
    }
    Q_EMIT recentLogsChanged();
}

void AppLogger::info(const QString& msg) {
    os(platform::SystemLogType::Default, msg);
    record(LogLevel::info, msg);
}

void AppLogger::warning(const QString& msg) {
    os(platform::SystemLogType::Default, msg);
    record(LogLevel::warning, msg);
}

void AppLogger::error(const QString& msg) {
    os(platform::SystemLogType::Error, msg);
    record(LogLevel::error, msg);
}

void AppLogger::success(const QString& msg) {
    os(platform::SystemLogType::Default, msg);
    record(LogLevel::success, msg);
}

void AppLogger::debug(const QString& msg) {
    os(platform::SystemLogType::Info, msg);
    record(LogLevel::debug, msg);
}

QString AppLogger::copyAllText() const {
    QStringList lines;
    lines.reserve(recentLogs_.size());
    for (auto it = recentLogs_.crbegin(); it != recentLogs_.crend(); ++it) {
        lines << QStringLiteral("%1 %2 %3")
                     .arg(logLevelIcon(it->level), it->timestamp.toString(QStringLiteral("HH:mm:ss")),
                          it->msg);
    }
    return lines.join(QLatin1Char('\n'));
}

void AppLogger::clear() {
    recentLogs_.clear();
    Q_EMIT recentLogsChanged();
}

} // namespace mebo
