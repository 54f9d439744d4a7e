#include "app/AppLogger.h"
#include "support/TestUtil.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <thread>

using namespace mebo;
using mebo::test::LogCapture;

TEST(AppLogger, SystemLogOnlyForDefaultErrorAndFault) {
    LogCapture logs;
    auto& log = AppLogger::shared();
    log.os(platform::SystemLogType::Info, "quiet");
    log.os(platform::SystemLogType::Debug, "quiet too");
    log.os(platform::SystemLogType::Default, "[X] shown");
    log.os(platform::SystemLogType::Error, "[X] failed");
    log.os(platform::SystemLogType::Fault, "[X] broke");
    const QStringList lines = logs.systemLines();
    ASSERT_EQ(lines.size(), 3);
    static const QRegularExpression form(R"(^\[\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d\] \[X\] shown$)");
    EXPECT_TRUE(form.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith("] [X] failed"));
    // An info report is listed in the app but never reaches the system log.
    log.debug("[X] detail");
    EXPECT_TRUE(logs.contains("[X] detail"));
    EXPECT_EQ(logs.systemLines().size(), 3);
}

TEST(AppLogger, ListIsBoundedAndCopiedNewestFirst) {
    LogCapture logs;
    auto& log = AppLogger::shared();
    EXPECT_EQ(log.copyAllText(), "");
    for (int i = 0; i < 201; ++i) {
        log.record(i == 200 ? LogLevel::success : LogLevel::info, QStringLiteral("m%1").arg(i));
    }
    const QStringList msgs = logs.messages();
    ASSERT_EQ(msgs.size(), 200);
    EXPECT_EQ(msgs.first(), "m1"); // the oldest was dropped
    EXPECT_EQ(msgs.last(), "m200");
    const LogEntry last = log.recentLogs().last();
    EXPECT_EQ(log.copyAllText().section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("✅ ") + last.timestamp.toString(QStringLiteral("HH:mm:ss")) +
                  QStringLiteral(" m200"));
}

TEST(AppLogger, RecordsFromWorkerThreadsArriveInOrderPerThread) {
    LogCapture logs;
    std::thread([] {
        for (int i = 0; i < 50; ++i) {
            AppLogger::shared().info(QStringLiteral("[W] %1").arg(i));
        }
    }).join();
    const QStringList msgs = logs.messages();
    ASSERT_EQ(msgs.size(), 50);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(msgs[i], QStringLiteral("[W] %1").arg(i));
    }
    EXPECT_EQ(logs.systemLines().size(), 50);
}
