#pragma once

#include "video/CursorPoint.h"

#include <QFile>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace mebo {

namespace platform {
class PointerButtons;
class PointerLocator;
} // namespace platform

// The pointer's path and clicks during a recording: sampled 30 times a second, each sample
// spooled at once to a file in the temporary folder (so an hour-long recording keeps only the
// last 3 s in memory), merged at stop into NAME.cursor.json beside the recording.
//
// Threads: the timer and press handling run on the main thread (the press monitor's thread hands
// presses over); snapshot() runs on the video thread. Lists and spools are guarded by
// `cursorLock`; the recorder's state lock is never held while it is taken (the callbacks below
// are called before it).
class CursorTelemetry : public QObject {
    Q_OBJECT
public:
    static constexpr int sampleIntervalMs = 33; // 30 per second (1/30 s, as a precise timer)
    static constexpr int64_t keepInMemoryMs = 3000;
    static constexpr int64_t clickMergeMs = 90;
    static constexpr double clickMergeDistance = 0.01;

    struct Hooks {
        // Whether the recording is running and not paused (read under the recorder's state lock).
        std::function<bool()> isActive;
        // Milliseconds on the recording's timeline now; nothing before the recording started.
        std::function<std::optional<int64_t>()> nowMs;
    };

    CursorTelemetry(platform::PointerLocator& pointer, platform::PointerButtons* buttons, Hooks hooks,
                    QObject* parent = nullptr);
    ~CursorTelemetry() override;

    // Recording start: lists emptied, new spool files beside `recordingPath`'s base name in
    // `spoolDir`, press monitor and 30 Hz timer started. `area`: the recorded rectangle in
    // desktop space (points, bottom-left origin); an empty one disables sampling.
    void start(const QString& recordingPath, const QRectF& area, const QString& spoolDir);
    // Timer and monitor off.
    void stopSampling();
    // NAME.cursor.json beside `recordingPath`; answers its path, or nothing when no sample was
    // taken or writing failed (logged). Deletes the spools.
    std::optional<QString> writeFile(const QString& recordingPath);
    // Deletes the spools without writing (a cancelled recording).
    void discard();

    // One timer tick, and one press seen by the monitor (main thread; public for tests).
    void tick();
    void pressed();

    // What the frame at `tMs` draws (video thread).
    struct Snapshot {
        std::optional<CursorPoint> lastPoint;
        std::optional<int64_t> lastClickMs;
        CursorPoints trail;  // points in [tMs - 600, tMs]
        CursorPoints clicks; // clicks in [tMs - 700, tMs]
    };
    Snapshot snapshot(int64_t tMs) const;

    // Test access (under the lock).
    CursorPoints points() const;
    CursorPoints clicks() const;
    bool spoolFailed() const;
    QString pointsSpoolPath() const;

    static QString telemetryPathFor(const QString& recordingPath);
    // {"t":T,"cx":X,"cy":Y} with the shortest round-tripping doubles.
    static QByteArray recordText(const CursorPoint& p);

private:
    // `beforeClockAtStart`: a sample taken before the recording's clock runs is at 0.
    std::optional<CursorPoint> takeSample(bool beforeClockAtStart = false);
    void record(const CursorPoint& sample, uint32_t buttons, bool forceClick);
    // Under cursorLock.
    void recordClickLocked(const CursorPoint& sample);
    void appendToSpoolLocked(QFile* file, int& count, std::optional<int64_t>& lastMs, const CursorPoint& p);
    void pruneLocked(int64_t nowMs);
    void closeSpoolsLocked();

    platform::PointerLocator& pointer_;
    platform::PointerButtons* buttons_;
    Hooks hooks_;
    QTimer timer_;
    bool monitorRunning_ = false;
    QRectF area_; // written on the main thread before sampling starts

    mutable std::mutex cursorLock_;
    std::deque<CursorPoint> points_;
    std::deque<CursorPoint> clicks_;
    std::unique_ptr<QFile> pointsSpool_;
    std::unique_ptr<QFile> clicksSpool_;
    QString pointsSpoolPath_;
    QString clicksSpoolPath_;
    int pointsSpoolCount_ = 0;
    int clicksSpoolCount_ = 0;
    std::optional<int64_t> lastSpooledPointMs_;
    std::optional<int64_t> lastSpooledClickMs_;
    bool spoolFailed_ = false;
    uint32_t prevButtons_ = 0;
};

} // namespace mebo
