#include "MeboHome.h"
#include "TestPaths.h"
#include "support/Files.h"
#include "support/MediaFacts.h"
#include "support/PrivatePulse.h"
#include "support/TestUtil.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <numeric>
#include <utility>

using namespace mebo::test;

namespace {

// The test picture (tests/tools/frame_painter.cpp), 640x360 at 30 fps, with its frame index at the
// top; the rest flashes white on every 30th frame, and the sound beeps (1 kHz, 50 ms) with each.
constexpr int kShownW = 640;
constexpr int kShownH = 360;
constexpr int kBeforeStart = 0xffff;

bool flashing(const QByteArray& grey, int width, int height) {
    return uchar(grey[(height * 3 / 4) * width + width / 2]) > 150;
}

// The time of day, in seconds, of the first log line holding `line` ("[MM/dd hh:mm:ss.zzz] ...").
double logSeconds(const QByteArray& log, const char* line) {
    static const QRegularExpression stamp(QStringLiteral("^\\[\\S+ (\\d+):(\\d+):(\\d+\\.\\d+)\\]"));
    for (const QByteArray& l : log.split('\n')) {
        const QRegularExpressionMatch m = stamp.match(QString::fromUtf8(l));
        if (l.contains(line) && m.hasMatch()) {
            return m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toDouble();
        }
    }
    return -1;
}

// Where the last whole fragment (its mdat box) of an MP4 file's bytes ends; 0 before the first.
qsizetype wholeFragmentsEnd(const QByteArray& bytes) {
    qsizetype end = 0;
    for (qsizetype at = 0; at + 8 <= bytes.size();) {
        const qsizetype size = qFromBigEndian<quint32>(bytes.constData() + at);
        if (size < 8 || at + size > bytes.size()) {
            break;
        }
        const bool mdat = bytes.mid(at + 4, 4) == "mdat";
        at += size;
        end = mdat ? at : end;
    }
    return end;
}

class CliRecord : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (qEnvironmentVariableIsEmpty("DISPLAY") ||
            media::run(QStringLiteral("ffmpeg"), {QStringLiteral("-version")}).isEmpty()) {
            return;
        }
        pulse_ = new PrivatePulse;
        QString why;
        if (!pulse_->start(&why)) {
            skipReason_ = new QString(why);
        }
    }
    static void TearDownTestSuite() {
        delete std::exchange(pulse_, nullptr);
        delete std::exchange(skipReason_, nullptr);
    }
    void SetUp() override {
        if (!pulse_) {
            GTEST_SKIP() << "needs the test desktop and ffmpeg";
        }
        if (skipReason_) {
            GTEST_SKIP() << skipReason_->toStdString();
        }
        saveDir = home.path() + QStringLiteral("/recordings");
        env = home.environment(pulse_->env());
    }

    // Paints the index picture at the top-left corner for `seconds` (beeping at the flashes);
    // answers its geometry once it is on screen, or nothing.
    QString play(int seconds) {
        const QString geometry = QStringLiteral("%1x%2+0+0").arg(kShownW).arg(kShownH);
        player.start({QStringLiteral(MEBO_FRAME_PAINTER), geometry, "30", QString::number(seconds),
                      home.path() + QStringLiteral("/painter.log"), "--flash", "30", "--sound"},
                     env);
        QByteArray said;
        return player.waitFor("ready", &said, false, 20000) ? geometry : QString();
    }
    // Stops the painter and answers when it drew each frame (its log is complete once it stopped).
    std::map<int, int64_t> drawTimes() {
        player.stop();
        std::map<int, int64_t> drawnAt;
        for (const QByteArray& line : fileBytes(home.path() + QStringLiteral("/painter.log")).split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() == 4) {
                drawnAt[f[1].toInt()] = f[3].toLongLong();
            }
        }
        return drawnAt;
    }
    // A 300 Hz tone into the microphone stand-in's sink.
    void playMicTone() {
        mic.start({"ffmpeg", "-v", "error", "-re", "-f", "lavfi", "-i", "sine=f=300:d=30", "-f", "pulse",
                   "-device", "micsink", "mic"},
                  env);
    }
    Child* startMebo(const QStringList& args) {
        processes_.push_back(std::make_unique<Child>());
        processes_.back()->start(QStringList{QStringLiteral(MEBO_BINARY)} + args, env);
        return processes_.back().get();
    }
    // `err`: what the process wrote on standard error, after what was read of it already.
    static QJsonObject finish(Child* p, QByteArray* err) {
        p->finish(120000);
        *err += p->readErrors();
        return QJsonDocument::fromJson(p->readOutput()).object();
    }

    MeboHome home;
    QString saveDir;
    EnvChanges env;
    Child player;
    Child mic;
    std::vector<std::unique_ptr<Child>> processes_;
    static PrivatePulse* pulse_;
    static QString* skipReason_;
};

PrivatePulse* CliRecord::pulse_ = nullptr;
QString* CliRecord::skipReason_ = nullptr;

TEST_F(CliRecord, RecordsAPlayingVideoFrameForFrameWithBothAudioTracks) {
    const QString geometry = play(30);
    ASSERT_FALSE(geometry.isEmpty()) << "the test picture did not appear";
    playMicTone();
    // Both sounds are flowing before the recording starts.
    ASSERT_TRUE(waitUntil([&] { return pulse_->sinkInputs() >= 2; }, 20000));
    // The painter's beeps keep their time once its sound has played for a moment (on a busy
    // machine its first second or two may come early or not at all): two seconds of its frames.
    ASSERT_TRUE(waitUntil(
        [&] { return fileBytes(home.path() + QStringLiteral("/painter.log")).contains("\nframe 60 "); },
        30000));
    Child* rec = startMebo({"record", "area", "--geometry", geometry, "--duration", "10", "--fps", "30",
                            "--mic", "micsink.monitor", "--json", "--save-dir", saveDir});
    QByteArray err;
    const QJsonObject out = finish(rec, &err);
    ASSERT_EQ(rec->exitCode(), 0) << err.toStdString();
    const QString path = out.value("path").toString();
    ASSERT_TRUE(QFileInfo::exists(path)) << err.toStdString();
    EXPECT_EQ(out.value("width").toInt(), kShownW);
    EXPECT_EQ(out.value("height").toInt(), kShownH);
    EXPECT_EQ(out.value("fps").toInt(), 30);
    EXPECT_EQ(out.value("codec").toString(), QStringLiteral("h264"));
    EXPECT_EQ(out.value("segments").toArray().size(), 1);
    EXPECT_TRUE(out.value("projectPath").isNull()); // one segment: no project file
    EXPECT_TRUE(QFileInfo::exists(out.value("cursorPath").toString()));
    EXPECT_TRUE(QDir(saveDir).entryList({"*.recording.mp4*"}).isEmpty());

    ASSERT_EQ(media::probe(path).value("streams").toArray().size(), 3);
    const double duration = media::formatDuration(path);
    EXPECT_NEAR(duration, 10.0, 1.0 / 30);

    // Every frame painted, once: indices only go up, and in steps of one.
    const auto frames = media::greyFrames(path, kShownW, kShownH);
    const auto times = media::frameTimes(path);
    ASSERT_EQ(frames.size(), times.size());
    // At 30 fps over 10 s: 300 frames, fewer when other work starves the capture thread (the file
    // then holds fewer, longer frames; every frame the capture takes is still the screen's newest).
    const qsizetype expected = qsizetype(std::lround(duration * 30));
    ASSERT_GT(frames.size(), 100u);
    ASSERT_LE(qsizetype(frames.size()), expected + 1);
    std::map<int, int64_t> drawnAt = drawTimes();
    QStringList backwards, repeats; // "index > index" at a file frame
    QStringList missing;
    for (size_t i = 1; i < frames.size(); ++i) {
        const int before = painterIndex(frames[i - 1], kShownW);
        const int now = painterIndex(frames[i], kShownW);
        if (before == kBeforeStart) {
            continue;
        }
        // The closing frame may repeat the last; so may a frame the painter kept on screen for more
        // than an interval and a half (it was starved of CPU, so the screen did not change).
        const bool painterLate = !drawnAt.count(before + 1) || !drawnAt.count(before) ||
                                 drawnAt[before + 1] - drawnAt[before] > 1'000'000'000 / 20;
        const QString at = QStringLiteral("%1>%2@%3").arg(before).arg(now).arg(i);
        if (now < before) {
            backwards << at;
        } else if (now == before && i + 1 < frames.size() && !painterLate) {
            repeats << at;
        }
        // A frame the painter replaced within half an interval (it was starved of CPU) may be
        // missed; one that stayed on screen longer should be in the file.
        for (int k = before + 1; k < now; ++k) {
            if (!drawnAt.count(k) || !drawnAt.count(k + 1) ||
                drawnAt[k + 1] - drawnAt[k] >= 1'000'000'000 / 60) {
                missing << QString::number(k);
            }
        }
    }
    EXPECT_TRUE(backwards.isEmpty()) << backwards.join(' ').toStdString();
    // The capture's clock is not the painter's: a tick the scheduler delayed can still fall in the
    // frame the tick before took. Once in a hundred frames at most.
    EXPECT_LE(repeats.size(), qsizetype(frames.size()) / 100) << repeats.join(' ').toStdString();
    // A painted frame is missed only for a capture tick that did not happen: beyond the ticks the
    // file lacks, no more than one in fifty (the painter's own timing is not exact).
    const qsizetype ticksLost = expected - qsizetype(frames.size());
    EXPECT_LE(missing.size(), ticksLost + qsizetype(frames.size()) / 50)
        << ticksLost << " ticks lost; missed: " << missing.join(' ').toStdString();

    // Each flash is heard with its beep: sound and picture within a few frames.
    const std::vector<float> system = media::audioTrack(path, 0);
    const std::vector<double> beeps = media::onsets(system, 0.1f, 0.5);
    std::vector<double> heardOff; // per flash the file shows
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!flashing(frames[i], kShownW, kShownH) || (i > 0 && flashing(frames[i - 1], kShownW, kShownH))) {
            continue;
        }
        double nearest = 1e9;
        for (double b : beeps) {
            nearest = std::min(nearest, std::fabs(b - times[i]));
        }
        heardOff.push_back(nearest);
    }
    // All but one (a busy machine starves the painter's sound now and then).
    EXPECT_GE(heardOff.size(), 5u);
    EXPECT_LE(std::count_if(heardOff.begin(), heardOff.end(), [](double d) { return d >= 0.1; }), 1)
        << ::testing::PrintToString(heardOff);
    // The second track carries the microphone's steady tone, the first only the beeps.
    const std::vector<float> micTrack = media::audioTrack(path, 1);
    EXPECT_GT(media::rms(micTrack, 2, 8), 0.1);
    ASSERT_GE(beeps.size(), 3u);
    EXPECT_LT(media::rms(system, beeps[1] + 0.2, beeps[1] + 0.9), 0.01); // between beeps

    const ProgramRun list =
        home.run({"history", "list", "--json", "--save-dir", saveDir}, pulse_->env(), 60000);
    EXPECT_TRUE(list.out.contains(QStringLiteral("\"mediaType\":\"video\""))) << list.out.toStdString();
}

TEST_F(CliRecord, Sigusr1PausesAndResumesWithoutAJump) {
    const QString geometry = play(20);
    ASSERT_FALSE(geometry.isEmpty());
    Child* rec = startMebo({"record", "area", "--geometry", geometry, "--duration", "2.5", "--fps", "30",
                            "--json", "--verbose", "--save-dir", saveDir});
    QByteArray err;
    ASSERT_TRUE(rec->waitFor("[Recording] 開始錄影", &err, true)) << err.toStdString();
    QThread::msleep(1000); // recording time before the pause
    rec->signal(SIGUSR1);
    ASSERT_TRUE(rec->waitFor("[Recording] 暫停", &err, true)) << err.toStdString();
    QThread::msleep(1200); // paused
    rec->signal(SIGUSR1);
    const QJsonObject out = finish(rec, &err);
    ASSERT_EQ(rec->exitCode(), 0) << err.toStdString();
    const QString path = out.value("path").toString();
    const QJsonArray segments = out.value("segments").toArray();
    ASSERT_EQ(segments.size(), 2);
    EXPECT_NEAR(segments[0].toObject().value("endSec").toDouble(),
                segments[1].toObject().value("startSec").toDouble(), 0.06);
    EXPECT_NEAR(segments[1].toObject().value("endSec").toDouble(), 2.5, 0.05);
    EXPECT_NEAR(media::formatDuration(path), 2.5, 1.0 / 30);
    // The paused sound is left out: the track lasts as long as the picture.
    EXPECT_NEAR(double(media::audioTrack(path, 0).size()) / 48000, 2.5, 0.05);
    // Two segments: the project file beside the recording holds them.
    const QJsonObject doc = QJsonDocument::fromJson(fileBytes(out.value("projectPath").toString())).object();
    EXPECT_EQ(doc.value("sourceFileName").toString(), QFileInfo(path).fileName());
    EXPECT_EQ(doc.value("recordingSegments").toArray().size(), 2);
    // The picture jumps by what was painted while paused; the time line leaves out exactly the pause
    // the recorder logged, at that jump and nowhere else. Between two frames of the file, the time the
    // painter took to draw them less the file's time between them is the time left out.
    const auto frames = media::greyFrames(path, kShownW, kShownH);
    const auto times = media::frameTimes(path);
    ASSERT_EQ(frames.size(), times.size());
    const std::map<int, int64_t> drawnAt = drawTimes();
    std::vector<double> leftOut;
    for (size_t i = 1; i < frames.size(); ++i) {
        const int before = painterIndex(frames[i - 1], kShownW);
        const int now = painterIndex(frames[i], kShownW);
        if (now > before && drawnAt.count(before) && drawnAt.count(now)) {
            leftOut.push_back(double(drawnAt.at(now) - drawnAt.at(before)) / 1e9 - (times[i] - times[i - 1]));
        }
    }
    ASSERT_GT(leftOut.size(), 10u);
    const auto pause = std::max_element(leftOut.begin(), leftOut.end());
    const double paused = logSeconds(err, "[Recording] 繼續") - logSeconds(err, "[Recording] 暫停");
    ASSERT_GT(paused, 1.0) << err.toStdString();
    // Both clocks are read when a busy machine gets round to it: a quarter of a second either way,
    // against a pause of more than a second.
    EXPECT_NEAR(*pause, paused, 0.25);
    EXPECT_NEAR(std::accumulate(leftOut.begin(), leftOut.end(), 0.0) - *pause, 0.0, 0.25);
}

TEST_F(CliRecord, AKilledRecordingIsRecoveredAtTheNextStart) {
    Child* rec = startMebo({"record", "fullscreen", "--fps", "30", "--save-dir", saveDir});
    // Killed once the unfinished file's whole fragments hold two seconds: what it held then is what
    // the recovery must keep, however slowly a loaded machine got there.
    QString unfinished, held = home.path() + QStringLiteral("/held.mp4");
    qint64 seen = -1;
    ASSERT_TRUE(waitUntil(
        [&] {
            const QFileInfoList found = QDir(saveDir).entryInfoList({"*.recording.mp4"});
            if (found.isEmpty() || found.first().size() == std::exchange(seen, found.first().size())) {
                return false; // read again only once it grew
            }
            unfinished = found.first().filePath();
            const QByteArray bytes = fileBytes(unfinished);
            writeBytes(held, bytes.left(wholeFragmentsEnd(bytes)));
            if (media::formatDuration(held) < 2.0) {
                return false;
            }
            rec->signal(SIGKILL);
            return true;
        },
        120000));
    rec->finish(5000);

    // The next start, with a microphone that is gone: the default input instead, said in one line.
    // Nothing plays, so both inputs are silent: their tracks are there all the same.
    Child* next = startMebo({"record", "fullscreen", "--duration", "1", "--mic", "no-such-source", "--json",
                             "--save-dir", saveDir});
    QByteArray err;
    const QJsonObject done = finish(next, &err);
    ASSERT_EQ(next->exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(err.contains("recovered an interrupted recording")) << err.toStdString();
    EXPECT_TRUE(err.contains("no audio source 'no-such-source'")) << err.toStdString();
    EXPECT_EQ(media::probe(done.value("path").toString()).value("streams").toArray().size(), 3);
    EXPECT_TRUE(QDir(saveDir).entryList({"*.recording.mp4*"}).isEmpty());
    const QString recovered = QString(unfinished).replace(".recording.mp4", ".mp4");
    ASSERT_TRUE(QFileInfo::exists(recovered));
    // Everything on disk at the kill is kept, every frame and all the sound; only what was not yet
    // (the fragment being cut, the last frame's showing time) is lost.
    const std::vector<double> heldFrames = media::frameTimes(held), keptFrames = media::frameTimes(recovered);
    ASSERT_FALSE(heldFrames.empty());
    ASSERT_GE(keptFrames.size(), heldFrames.size());
    EXPECT_NEAR(keptFrames[heldFrames.size() - 1], heldFrames.back(), 1e-3);
    EXPECT_GE(media::audioTrack(recovered, 0).size() + 1024, media::audioTrack(held, 0).size());
    EXPECT_EQ(libraryIndex(saveDir).size(), 2);
}

TEST_F(CliRecord, BadInputIsOneLineAndNoFile) {
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{"record", "area", "--geometry", "640x"}, "bad geometry"},
        {{"record", "fullscreen", "--codec", "vp9"}, "unknown codec"},
        {{"record", "fullscreen", "--fps", "0"}, "bad frame rate"},
        {{"record", "fullscreen", "--quality", "best"}, "unknown quality"},
        {{"record", "fullscreen", "--duration", "-1"}, "bad duration"},
        {{"record", "film"}, "unknown recording mode"},
    };
    for (const Case& c : cases) {
        const ProgramRun r = home.run(c.args + QStringList{"--save-dir", saveDir}, pulse_->env(), 60000);
        EXPECT_EQ(r.exitCode, 2) << c.says;
        EXPECT_EQ(r.err.count('\n'), 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.says))) << r.err.toStdString();
        EXPECT_TRUE(QDir(saveDir).entryList(QDir::Files).isEmpty()) << c.says;
    }
}

TEST_F(CliRecord, CursorTelemetryOfA1280x720AreaAndATrim) {
    media::run(QStringLiteral("xdotool"), {"mousemove", "200", "200"});
    Child* rec = startMebo({"record", "area", "--geometry", "1280x720+100+100", "--duration", "3", "--fps",
                            "30", "--click-ripple", "--cursor-trail", "--no-system-audio", "--json",
                            "--verbose", "--save-dir", saveDir});
    QByteArray err;
    ASSERT_TRUE(rec->waitFor("[Recording] 開始錄影", &err, true)) << err.toStdString();
    // The clicks happen somewhere inside each xdotool run: their interval lies between the gap
    // between the runs and the span of both (a loaded machine starts xdotool slowly).
    QElapsedTimer clock;
    clock.start();
    media::run(QStringLiteral("xdotool"), {"mousemove", "740", "460", "click", "1"}); // the area's centre
    const qint64 firstDone = clock.elapsed();
    QThread::msleep(500);
    const qint64 secondStart = clock.elapsed();
    media::run(QStringLiteral("xdotool"), {"mousemove", "100", "819", "click", "3"}); // its bottom-left
    const qint64 secondDone = clock.elapsed();
    const QJsonObject out = finish(rec, &err);
    // The right click fell on the bare desktop, where the window manager opens its menu; that menu
    // holds the pointer and the keyboard until it is closed, so later tests would get no input.
    media::run(QStringLiteral("xdotool"), {"key", "Escape"});
    ASSERT_EQ(rec->exitCode(), 0) << err.toStdString();
    EXPECT_EQ(out.value("width").toInt(), 1280);
    EXPECT_EQ(out.value("height").toInt(), 720);
    const QString path = out.value("path").toString();
    EXPECT_EQ(media::probe(path).value("streams").toArray().size(), 1); // no audio asked for
    EXPECT_NEAR(media::formatDuration(path), 3.0, 1.0 / 30); // a nearly still picture lasts as long

    // The file's exact text is the telemetry's own test; here, what the real pointer left in it.
    const QJsonObject telemetry =
        QJsonDocument::fromJson(fileBytes(out.value("cursorPath").toString())).object();
    const QJsonArray points = telemetry.value("points").toArray();
    // One press may also be seen by a timer tick that a loaded machine ran more than 90 ms late:
    // a second click at the same spot, as the merge rule says; the presses are what count here.
    QJsonArray clicks;
    for (const QJsonValue& c : telemetry.value("clicks").toArray()) {
        const QJsonObject last = clicks.isEmpty() ? QJsonObject() : clicks.last().toObject();
        if (clicks.isEmpty() ||
            std::hypot(c.toObject().value("cx").toDouble() - last.value("cx").toDouble(),
                       c.toObject().value("cy").toDouble() - last.value("cy").toDouble()) >= 0.01) {
            clicks.append(c);
        }
    }
    // A repeating 1/30 s timer: most samples 33 ms apart (a loaded machine delays some ticks, and a
    // late tick is not made up for), in time order, over the whole 3 s.
    std::vector<int> gaps;
    for (qsizetype i = 1; i < points.size(); ++i) {
        gaps.push_back(points[i].toObject().value("t").toInt() - points[i - 1].toObject().value("t").toInt());
    }
    ASSERT_GE(gaps.size(), 45u) << "at least half the ticks of 3 s";
    EXPECT_LE(points.size(), 3 * 30 + 5);
    EXPECT_GE(*std::min_element(gaps.begin(), gaps.end()), 0);
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    EXPECT_NEAR(gaps[gaps.size() / 2], 1000.0 / 30, 4);
    EXPECT_LE(points.first().toObject().value("t").toInt(), 200);
    EXPECT_GE(points.last().toObject().value("t").toInt(), 2800);
    ASSERT_EQ(clicks.size(), 2);
    EXPECT_NEAR(clicks[0].toObject().value("cx").toDouble(), 0.5, 0.01);
    EXPECT_NEAR(clicks[0].toObject().value("cy").toDouble(), 0.5, 0.01);
    EXPECT_NEAR(clicks[1].toObject().value("cx").toDouble(), 0.0, 0.01);
    EXPECT_NEAR(clicks[1].toObject().value("cy").toDouble(), 0.0, 0.01);
    const int interval = clicks[1].toObject().value("t").toInt() - clicks[0].toObject().value("t").toInt();
    EXPECT_GE(interval, secondStart - firstDone - 50);
    EXPECT_LE(interval, secondDone + 50);

    const ProgramRun trim =
        home.run({"video", "trim", path, "--start", "1", "--end", "2"}, pulse_->env(), 60000);
    ASSERT_EQ(trim.exitCode, 0) << trim.err.toStdString();
    const QString trimmed = trim.out;
    EXPECT_TRUE(trimmed.endsWith("_trimmed.mp4"));
    const double kept = media::formatDuration(trimmed);
    EXPECT_GE(kept, 0.95);
    EXPECT_LE(kept, 2.05); // from the key frame at or before 1 s
}

} // namespace
