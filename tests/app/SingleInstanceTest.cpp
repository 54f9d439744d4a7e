#include "app/SingleInstance.h"
#include "app/CaptureUrl.h"
#include "support/TestUtil.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

TEST(CaptureUrl, CaptureCommandsModesAndWhatIsIgnored) {
    test::LogCapture log;
    EXPECT_EQ(CaptureUrl::modeFor(QStringLiteral("mebo://capture?mode=fullscreen")), CaptureMode::fullscreen);
    EXPECT_EQ(CaptureUrl::modeFor(QStringLiteral("mebo://capture?mode=recordArea")), CaptureMode::recordArea);
    EXPECT_TRUE(log.contains(QStringLiteral("[AppDelegate] URL: mebo://capture?mode=fullscreen")));
    // No query, an unknown mode, an empty value: an area capture. The first "mode" item counts.
    EXPECT_EQ(CaptureUrl::modeFor(QStringLiteral("mebo://capture")), CaptureMode::area);
    EXPECT_EQ(CaptureUrl::modeFor(QStringLiteral("mebo://capture?mode=panorama")), CaptureMode::area);
    EXPECT_EQ(CaptureUrl::modeFor(QStringLiteral("mebo://capture?mode=")), CaptureMode::area);
    EXPECT_EQ(CaptureUrl::modeFor(QStringLiteral("mebo://capture?x=1&mode=window&mode=scroll")),
              CaptureMode::window);

    EXPECT_EQ(CaptureUrl::modeFor(QStringLiteral("mebo://settings")), std::nullopt);
    EXPECT_TRUE(log.contains(QStringLiteral("[AppDelegate] 未知命令: settings")));
    EXPECT_EQ(CaptureUrl::modeFor(QStringLiteral("mebo:capture")), std::nullopt);
    EXPECT_TRUE(log.contains(QStringLiteral("[AppDelegate] 未知命令: nil")));
    EXPECT_EQ(CaptureUrl::modeFor(QStringLiteral("MEBO://capture?mode=window")), std::nullopt);
    EXPECT_TRUE(log.contains(QStringLiteral("[AppDelegate] 非預期的 scheme: MEBO")));
    EXPECT_EQ(CaptureUrl::modeFor(QStringLiteral("mebo://Capture")), std::nullopt);
    EXPECT_EQ(CaptureUrl::modeFor(QString()), std::nullopt);
    EXPECT_TRUE(log.contains(QStringLiteral("[AppDelegate] URL Scheme: 無法解析 event")));
}

TEST(SingleInstance, LaterLaunchesHandTheirArgumentsToTheFirst) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("instance"));
    SingleInstance first(name);
    EXPECT_FALSE(first.handOver({QStringLiteral("x")}, 200)); // nobody listens yet
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::argumentsReceived);

    SingleInstance second(name);
    EXPECT_FALSE(second.listen()); // the first one answers
    const QStringList args{QStringLiteral("mebo://capture?mode=area"), QStringLiteral("é ü")};
    EXPECT_TRUE(second.handOver(args));
    ASSERT_TRUE(test::waitUntil([&] { return received.count() == 1; }));
    EXPECT_EQ(received.at(0).at(0).toStringList(), args);
}

TEST(SingleInstance, ASocketLeftByACrashedInstanceIsTakenOver) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("instance"));
    QFile stale(name);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly)); // a file where the socket was, nobody behind it
    stale.close();
    SingleInstance instance(name);
    EXPECT_TRUE(instance.listen()) << instance.errorString().toStdString();
}

} // namespace
} // namespace mebo
