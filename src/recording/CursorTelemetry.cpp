#include "recording/CursorTelemetry.h"

#include "app/AppLogger.h"
#include "app/MainThread.h"
#include "platform/PointerButtons.h"
#include "platform/PointerLocator.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUuid>
#include <charconv>
#include <cmath>

namespace mebo {

namespace {

void appendDouble(QByteArray& out, double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, int(r.ptr - buf));
}

QString baseNameOf(const QString& path) {
    return QFileInfo(path).completeBaseName();
}

} // namespace

CursorTelemetry::CursorTelemetry(platform::PointerLocator& pointer, platform::PointerButtons* buttons,
                                 Hooks hooks, QObject* parent)
    : QObject(parent), pointer_(pointer), buttons_(buttons), hooks_(std::move(hooks)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(sampleIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &CursorTelemetry::tick);
}

CursorTelemetry::~CursorTelemetry() {
    stopSampling();
    std::lock_guard lock(cursorLock_);
    closeSpoolsLocked();
}

QString CursorTelemetry::telemetryPathFor(const QString& recordingPath) {
    const QFileInfo info(recordingPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".cursor.json"));
}

QByteArray CursorTelemetry::recordText(const CursorPoint& p) {
    QByteArray out;
    out.reserve(64);
    out += "{\"t\":";
    out += QByteArray::number(qint64(p.timeMs));
    out += ",\"cx\":";
    appendDouble(out, p.x);
    out += ",\"cy\":";
    appendDouble(out, p.y);
    out += '}';
    return out;
}

void CursorTelemetry::start(const QString& recordingPath, const QRectF& area, const QString& spoolDir) {
    area_ = area;
    {
        std::lock_guard lock(cursorLock_);
        points_.clear();
        clicks_.clear();
        prevButtons_ = 0;
        closeSpoolsLocked();
        for (const QString& old : {pointsSpoolPath_, clicksSpoolPath_}) {
            if (!old.isEmpty()) {
                QFile::remove(old);
            }
        }
        const QString stem =
            QDir(spoolDir).filePath(baseNameOf(recordingPath) + QLatin1Char('-') +
                                    QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
        pointsSpoolPath_ = stem + QStringLiteral(".cursor-points.tmp");
        clicksSpoolPath_ = stem + QStringLiteral(".cursor-clicks.tmp");
        pointsSpoolCount_ = 0;
        clicksSpoolCount_ = 0;
        lastSpooledPointMs_.reset();
        lastSpooledClickMs_.reset();
        spoolFailed_ = false;
        auto points = std::make_unique<QFile>(pointsSpoolPath_);
        auto clicks = std::make_unique<QFile>(clicksSpoolPath_);
        const bool pointsOk = points->open(QIODevice::WriteOnly | QIODevice::Truncate);
        const bool clicksOk = pointsOk && clicks->open(QIODevice::WriteOnly | QIODevice::Truncate);
        if (pointsOk && clicksOk) {
            pointsSpool_ = std::move(points);
            clicksSpool_ = std::move(clicks);
        } else {
            const QString why = pointsOk ? clicks->errorString() : points->errorString();
            QFile::remove(pointsSpoolPath_);
            QFile::remove(clicksSpoolPath_);
            pointsSpoolPath_.clear();
            clicksSpoolPath_.clear();
            logError(QStringLiteral("[Recording] cursor telemetry spool 建立失敗: ") + why);
        }
    }
    if (buttons_ && !monitorRunning_) {
        monitorRunning_ = buttons_->startPressMonitor([self = QPointer<CursorTelemetry>(this)](int) {
            // Handled on the main thread like the timer; dropped if this object is gone. Through
            // runOnMain's queue, whose lock the thread checker sees.
            runOnMain([self] {
                if (self) {
                    self->pressed();
                }
            });
        });
    }
    timer_.start();
}

void CursorTelemetry::stopSampling() {
    timer_.stop();
    if (buttons_ && monitorRunning_) {
        buttons_->stopPressMonitor();
        monitorRunning_ = false;
    }
}

std::optional<CursorPoint> CursorTelemetry::takeSample(bool beforeClockAtStart) {
    if (area_.width() <= 0 || area_.height() <= 0 || !hooks_.nowMs) {
        return std::nullopt;
    }
    auto now = hooks_.nowMs();
    if (!now && beforeClockAtStart) {
        now = 0;
    }
    const auto location = pointer_.location();
    if (!now || !location) {
        return std::nullopt;
    }
    return CursorPoint{std::max<int64_t>(0, *now), (location->x() - area_.left()) / area_.width(),
                       (location->y() - area_.top()) / area_.height()};
}

void CursorTelemetry::tick() {
    if (hooks_.isActive && !hooks_.isActive()) {
        return;
    }
    const auto sample = takeSample();
    if (!sample) {
        return;
    }
    record(*sample, buttons_ ? buttons_->pressedButtons() : 0, false);
}

void CursorTelemetry::pressed() {
    if (hooks_.isActive && !hooks_.isActive()) {
        return;
    }
    // The clock starts with the first frame, which a busy machine delivers late: a press made
    // after the start was announced still belongs to the recording, at its start.
    const auto sample = takeSample(true);
    if (!sample) {
        return;
    }
    record(*sample, buttons_ ? buttons_->pressedButtons() : 0, true);
}

void CursorTelemetry::record(const CursorPoint& sample, uint32_t buttons, bool forceClick) {
    std::lock_guard lock(cursorLock_);
    points_.push_back(sample);
    appendToSpoolLocked(pointsSpool_.get(), pointsSpoolCount_, lastSpooledPointMs_, sample);
    if (forceClick || (buttons & ~prevButtons_) != 0) {
        recordClickLocked(sample);
    }
    if (!forceClick) {
        prevButtons_ = buttons;
    }
    pruneLocked(sample.timeMs);
}

void CursorTelemetry::recordClickLocked(const CursorPoint& sample) {
    if (!clicks_.empty()) {
        const CursorPoint& last = clicks_.back();
        // The same press seen by the monitor and by the timer.
        if (std::llabs(sample.timeMs - last.timeMs) < clickMergeMs &&
            std::hypot(sample.x - last.x, sample.y - last.y) < clickMergeDistance) {
            return;
        }
    }
    clicks_.push_back(sample);
    appendToSpoolLocked(clicksSpool_.get(), clicksSpoolCount_, lastSpooledClickMs_, sample);
}

void CursorTelemetry::appendToSpoolLocked(QFile* file, int& count, std::optional<int64_t>& lastMs,
                                          const CursorPoint& p) {
    if (spoolFailed_ || !file || !file->isOpen()) {
        return;
    }
    QByteArray text = recordText(p);
    if (count > 0) {
        text.prepend(',');
    }
    const qint64 before = file->pos();
    if (file->write(text) != text.size() || !file->flush()) {
        spoolFailed_ = true;
        const QString why = file->errorString();
        file->resize(before);
        logError(QStringLiteral("[Recording] cursor telemetry spool 寫入失敗: ") + why);
        return;
    }
    ++count;
    lastMs = p.timeMs;
}

void CursorTelemetry::pruneLocked(int64_t nowMs) {
    if (spoolFailed_ || !pointsSpool_ || !pointsSpool_->isOpen()) {
        return;
    }
    const int64_t cutoff = nowMs - keepInMemoryMs;
    while (!points_.empty() && points_.front().timeMs < cutoff) {
        points_.pop_front();
    }
    while (!clicks_.empty() && clicks_.front().timeMs < cutoff) {
        clicks_.pop_front();
    }
}

void CursorTelemetry::closeSpoolsLocked() {
    if (pointsSpool_) {
        pointsSpool_->close();
    }
    if (clicksSpool_) {
        clicksSpool_->close();
    }
    pointsSpool_.reset();
    clicksSpool_.reset();
}

void CursorTelemetry::discard() {
    std::lock_guard lock(cursorLock_);
    closeSpoolsLocked();
    QFile::remove(pointsSpoolPath_);
    QFile::remove(clicksSpoolPath_);
    pointsSpoolPath_.clear();
    clicksSpoolPath_.clear();
}

std::optional<QString> CursorTelemetry::writeFile(const QString& recordingPath) {
    QString pointsPath, clicksPath;
    int pointsCount = 0, clicksCount = 0;
    std::optional<int64_t> lastPoint, lastClick;
    std::deque<CursorPoint> memoryPoints, memoryClicks;
    {
        std::lock_guard lock(cursorLock_);
        closeSpoolsLocked();
        pointsPath = pointsSpoolPath_;
        clicksPath = clicksSpoolPath_;
        // After a failed write the spools still hold every record before it (the failed one is cut
        // off again), and memory holds every sample since.
        pointsCount = pointsSpoolCount_;
        clicksCount = clicksSpoolCount_;
        lastPoint = lastSpooledPointMs_;
        lastClick = lastSpooledClickMs_;
        memoryPoints = points_;
        memoryClicks = clicks_;
        pointsSpoolPath_.clear();
        clicksSpoolPath_.clear();
    }
    const auto later = [](const std::deque<CursorPoint>& list, std::optional<int64_t> after) {
        CursorPoints out;
        for (const CursorPoint& p : list) {
            if (!after || p.timeMs > *after) {
                out.append(p);
            }
        }
        return out;
    };
    const CursorPoints addPoints = later(memoryPoints, lastPoint);
    const CursorPoints addClicks = later(memoryClicks, lastClick);
    const int totalPoints = pointsCount + int(addPoints.size());
    const int totalClicks = clicksCount + int(addClicks.size());
    const auto removeSpools = [&] {
        if (!pointsPath.isEmpty()) {
            QFile::remove(pointsPath);
        }
        if (!clicksPath.isEmpty()) {
            QFile::remove(clicksPath);
        }
    };
    if (totalPoints == 0 && totalClicks == 0) {
        removeSpools();
        return std::nullopt;
    }
    const QString target = telemetryPathFor(recordingPath);
    QFile out(target);
    QString failure;
    const auto writeArray = [&](const QString& spoolPath, int spooled, const CursorPoints& extra) {
        if (spooled >= 1) {
            QFile spool(spoolPath);
            if (!spool.open(QIODevice::ReadOnly)) {
                failure = spool.errorString();
                return false;
            }
            while (!spool.atEnd()) {
                const QByteArray chunk = spool.read(1 << 16);
                if (chunk.isEmpty() || out.write(chunk) != chunk.size()) {
                    failure = chunk.isEmpty() ? spool.errorString() : out.errorString();
                    return false;
                }
            }
        }
        bool first = spooled == 0;
        for (const CursorPoint& p : extra) {
            QByteArray text = recordText(p);
            if (!first) {
                text.prepend(',');
            }
            first = false;
            if (out.write(text) != text.size()) {
                failure = out.errorString();
                return false;
            }
        }
        return true;
    };
    bool ok = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (!ok) {
        failure = out.errorString();
    }
    ok = ok && out.write("{\"v\":2,\"points\":[") >= 0 && writeArray(pointsPath, pointsCount, addPoints) &&
         out.write("],\"clicks\":[") >= 0 && writeArray(clicksPath, clicksCount, addClicks) &&
         out.write("]}") >= 0 && out.flush();
    if (ok && out.error() != QFileDevice::NoError) {
        ok = false;
        failure = out.errorString();
    }
    out.close();
    removeSpools();
    if (!ok) {
        QFile::remove(target);
        logError(QStringLiteral("[Recording] 光標軌跡寫入失敗: ") + failure);
        return std::nullopt;
    }
    logInfo(QStringLiteral("[Recording] 光標軌跡已寫入: %1 (points=%2 clicks=%3)")
                .arg(QFileInfo(target).fileName())
                .arg(totalPoints)
                .arg(totalClicks));
    return target;
}

CursorTelemetry::Snapshot CursorTelemetry::snapshot(int64_t tMs) const {
    Snapshot s;
    std::lock_guard lock(cursorLock_);
    for (const CursorPoint& p : points_) {
        if (p.timeMs > tMs) {
            break;
        }
        s.lastPoint = p;
        if (p.timeMs >= tMs - 600) {
            s.trail.append(p);
        }
    }
    for (const CursorPoint& c : clicks_) {
        if (c.timeMs > tMs) {
            break;
        }
        s.lastClickMs = c.timeMs;
        if (c.timeMs >= tMs - 700) {
            s.clicks.append(c);
        }
    }
    return s;
}

CursorPoints CursorTelemetry::points() const {
    std::lock_guard lock(cursorLock_);
    return CursorPoints(points_.begin(), points_.end());
}

CursorPoints CursorTelemetry::clicks() const {
    std::lock_guard lock(cursorLock_);
    return CursorPoints(clicks_.begin(), clicks_.end());
}

bool CursorTelemetry::spoolFailed() const {
    std::lock_guard lock(cursorLock_);
    return spoolFailed_;
}

QString CursorTelemetry::pointsSpoolPath() const {
    std::lock_guard lock(cursorLock_);
    return pointsSpoolPath_;
}

} // namespace mebo
