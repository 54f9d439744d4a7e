#include "recording/CursorTelemetry.h"
#include "support/Files.h"
#include "support/RecordingFakes.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace mebo {
namespace {

// The pointer, the buttons and the recording clock under the test's control.
struct TelemetryRig {
    test::FakePointerLocator pointer;
    test::FakePointerButtons buttons;
    std::optional<int64_t> nowMs = 0;
    bool active = true;
    QTemporaryDir dir;
    CursorTelemetry telemetry{pointer, &buttons,
                              CursorTelemetry::Hooks{[this] { return active; },
                                                     [this]() -> std::optional<int64_t> { return nowMs; }}};
    QString recording() const { return dir.filePath(QStringLiteral("Clip.mp4")); }
    // Area 1000 x 500 points at (100, 200), bottom-left origin.
    void start() { telemetry.start(recording(), QRectF(100, 200, 1000, 500), dir.path()); }
    void tickAt(int64_t t, QPoint p, uint32_t pressed = 0) {
        nowMs = t;
        pointer.point = p;
        buttons.pressed = pressed;
        telemetry.tick();
    }
};

TEST(CursorTelemetry, SamplesAreNormalisedToTheRecordedArea) {
    TelemetryRig rig;
    rig.start();
    rig.tickAt(0, {600, 450});  // centre
    rig.tickAt(33, {100, 200}); // bottom-left corner
    rig.tickAt(66, {1600, 0});  // outside: not clamped
    EXPECT_EQ(rig.telemetry.points(), (CursorPoints{{0, 0.5, 0.5}, {33, 0, 0}, {66, 1.5, -0.4}}));
}

TEST(CursorTelemetry, NoSampleWhilePausedOrWithoutAnArea) {
    TelemetryRig rig;
    rig.telemetry.start(rig.recording(), QRectF(0, 0, 0, 500), rig.dir.path());
    rig.tickAt(0, {10, 10});
    EXPECT_TRUE(rig.telemetry.points().isEmpty());
    rig.start();
    rig.active = false;
    rig.tickAt(10, {10, 10});
    EXPECT_TRUE(rig.telemetry.points().isEmpty());
    rig.telemetry.stopSampling();
    // Nothing sampled: no file.
    EXPECT_FALSE(rig.telemetry.writeFile(rig.recording()));
    EXPECT_FALSE(QFile::exists(CursorTelemetry::telemetryPathFor(rig.recording())));
}

TEST(CursorTelemetry, ClicksFromTheMaskAndTheMonitorMerge) {
    struct Case {
        const char* name;
        int64_t pressAt;
        QPoint pressPos;
        int expectedClicks;
    };
    // One press seen by the monitor and 33 ms later by the timer at the same place: one click.
    // Far apart in time or place: two.
    const Case cases[] = {
        {"same press", 33, {600, 450}, 1}, {"later", 200, {600, 450}, 2}, {"elsewhere", 33, {700, 450}, 2}};
    for (const Case& c : cases) {
        TelemetryRig rig;
        rig.start();
        rig.nowMs = 0;
        rig.pointer.point = QPoint(600, 450);
        rig.telemetry.pressed();
        rig.tickAt(c.pressAt, c.pressPos, 1);
        rig.tickAt(c.pressAt + 33, c.pressPos, 1); // still held: no new click
        EXPECT_EQ(rig.telemetry.clicks().size(), c.expectedClicks) << c.name;
    }
}

// Before the first frame starts the clock, the timer samples nothing but a press is a click at 0.
TEST(CursorTelemetry, APressBeforeTheClockRunsIsAClickAtTheStart) {
    TelemetryRig rig;
    rig.start();
    rig.nowMs.reset();
    rig.pointer.point = QPoint(600, 450);
    rig.buttons.pressed = 1;
    rig.telemetry.tick();
    EXPECT_TRUE(rig.telemetry.clicks().empty());
    rig.telemetry.pressed();
    ASSERT_EQ(rig.telemetry.clicks().size(), 1u);
    EXPECT_EQ(rig.telemetry.clicks()[0].timeMs, 0);
}

// With a spool the first samples leave memory; without one (its folder cannot be made) they all
// stay. Either way the file holds every sample, exactly.
TEST(CursorTelemetry, TheFileHoldsSpooledAndRecentSamplesExactly) {
    for (const bool spooled : {true, false}) {
        test::LogCapture logs;
        TelemetryRig rig;
        rig.telemetry.start(rig.recording(), QRectF(100, 200, 1000, 500),
                            spooled ? rig.dir.path() : rig.dir.filePath("missing/folder"));
        EXPECT_EQ(logs.messages().join('\n').contains("[Recording] cursor telemetry spool 建立失敗: "),
                  !spooled);
        for (int i = 0; i < 150; ++i) { // 5 s at 30 per second
            rig.tickAt(i * 33, {100 + i, 700}, i == 75 ? 4u : 0u);
        }
        EXPECT_EQ(rig.telemetry.points().size() < 100, spooled);
        const QString spool = rig.telemetry.pointsSpoolPath();
        EXPECT_EQ(QFile::exists(spool), spooled);
        rig.telemetry.stopSampling();
        const auto written = rig.telemetry.writeFile(rig.recording());
        ASSERT_EQ(written, rig.dir.filePath(QStringLiteral("Clip.cursor.json")));
        EXPECT_FALSE(QFile::exists(spool));
        const QByteArray text = test::fileBytes(*written);
        EXPECT_TRUE(text.startsWith(
            "{\"v\":2,\"points\":[{\"t\":0,\"cx\":0,\"cy\":1},{\"t\":33,\"cx\":0.001,\"cy\":1}"));
        EXPECT_TRUE(text.endsWith("],\"clicks\":[{\"t\":2475,\"cx\":0.075,\"cy\":1}]}"));
        EXPECT_FALSE(text.contains(' '));
        EXPECT_EQ(QJsonDocument::fromJson(text).object().value("points").toArray().size(), 150);
    }
}

TEST(CursorTelemetry, SnapshotTakesTheWindowsEachEffectDraws) {
    TelemetryRig rig;
    rig.start();
    for (int t = 0; t <= 2000; t += 100) {
        rig.tickAt(t, {600, 450}, t == 1500 ? 1u : 0u);
    }
    const auto s = rig.telemetry.snapshot(1950);
    ASSERT_TRUE(s.lastPoint);
    EXPECT_EQ(s.lastPoint->timeMs, 1900);
    EXPECT_EQ(s.trail.size(), 6); // 1400 ... 1900
    EXPECT_EQ(s.trail.first().timeMs, 1400);
    EXPECT_EQ(s.lastClickMs, 1500);
    EXPECT_EQ(s.clicks.size(), 1);
    const auto later = rig.telemetry.snapshot(2300);
    EXPECT_TRUE(later.clicks.isEmpty()); // older than 700 ms
    EXPECT_EQ(later.lastClickMs, 1500);  // still pulses the halo's memory
    EXPECT_EQ(later.trail.size(), 4);
}

TEST(CursorTelemetry, RecordTextUsesShortestRoundTripDoubles) {
    EXPECT_EQ(CursorTelemetry::recordText({12, 0.1, 1.0 / 3}),
              QByteArray("{\"t\":12,\"cx\":0.1,\"cy\":0.3333333333333333}"));
    EXPECT_EQ(CursorTelemetry::recordText({0, -0.25, 2}), QByteArray("{\"t\":0,\"cx\":-0.25,\"cy\":2}"));
}

} // namespace
} // namespace mebo
