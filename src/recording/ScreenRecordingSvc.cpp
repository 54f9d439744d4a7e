#include "recording/ScreenRecordingSvc.h"

#include "app/AppLogger.h"
#include "app/MainThread.h"
#include "platform/MonotonicClock.h"
#include "platform/ScreenCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <pthread.h>

namespace mebo {

namespace {

QString boolText(bool v) {
    return v ? QStringLiteral("true") : QStringLiteral("false");
}

QString rectText(const QRect& r) {
    return QStringLiteral("(%1, %2, %3, %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

double uptimeSec() {
    return double(platform::monotonicNowNs()) / 1e9;
}

} // namespace

struct ScreenRecordingSvc::Geometry {
    QRect sourceRect; // native pixels
    QSize outputSize;
    QRectF recordedArea;                   // desktop space, bottom-left origin
    std::optional<QRect> sourceRectPoints; // what the log shows (display top-left points), none for a display
};

ScreenRecordingSvc::ScreenRecordingSvc(RecordingBackends backends, QObject* parent)
    : QObject(parent), backends_(std::move(backends)) {
    CursorTelemetry::Hooks hooks;
    hooks.isActive = [this] { return timeline_.isCapturing() && !timeline_.isPaused(); };
    hooks.nowMs = [this]() -> std::optional<int64_t> {
        if (!recordingStartNs_ || !timeline_.sessionStarted()) {
            return std::nullopt;
        }
        return int64_t(elapsedAt(platform::monotonicNowNs()) * 1000.0);
    };
    telemetry_ =
        std::make_unique<CursorTelemetry>(*backends_.pointer, backends_.buttons, std::move(hooks), this);
    durationTimer_.setInterval(1000);
    connect(&durationTimer_, &QTimer::timeout, this,
            [this] { Q_EMIT elapsedSecondsChanged(elapsedSeconds()); });
    camera_ = std::make_unique<RecordingCamera>(timeline_, backends_.makeWriter);
    // Hand-offs from the sample threads go through runOnMain's queue, whose lock the thread
    // checker sees (Qt's posted events lock inside Qt).
    const QPointer<ScreenRecordingSvc> self(this);
    camera_->setPreviewHandler([self](const QImage& preview) {
        runOnMain([self, preview] {
            if (self) {
                Q_EMIT self->webcamPreviewChanged(preview);
            }
        });
    });
    levelTimer_.setInterval(100);
    connect(&levelTimer_, &QTimer::timeout, this, &ScreenRecordingSvc::publishLevels);
}

ScreenRecordingSvc::~ScreenRecordingSvc() {
    if (stopWorker_.joinable()) {
        stopWorker_.join();
    }
    // A recording still running when the process ends: its streams stop here; the unfinished file
    // stays for the next start to recover.
    if (stream_) {
        stream_->stop(0);
    }
    if (systemAudio_) {
        systemAudio_->stop();
    }
    if (micAudio_) {
        micAudio_->stop();
    }
    camera_->stop();
}

QString ScreenRecordingSvc::unfinishedPathFor(const QString& outputPath) {
    const QFileInfo info(outputPath);
    return info.dir().filePath(info.completeBaseName() + QLatin1String(unfinishedSuffix));
}

void ScreenRecordingSvc::setState(RecordingState state) {
    if (state_ == state) {
        return;
    }
    state_ = state;
    Q_EMIT stateChanged(state);
}

double ScreenRecordingSvc::elapsedAt(int64_t nowNs) const {
    if (!recordingStartNs_) {
        return segments_.lastEndSec();
    }
    // The recording's time starts with its first frame (the video's time zero), so the elapsed
    // time, the cursor samples and the file's duration agree however long the stream took to
    // deliver it.
    if (!timeline_.sessionStarted()) {
        return 0;
    }
    const int64_t start = std::max(*recordingStartNs_, timeline_.sessionStartNs());
    int64_t e = nowNs - start - pausedAccumulatorNs_;
    if (lastPauseNs_) {
        e -= nowNs - *lastPauseNs_;
    }
    return std::max(0.0, double(e) / 1e9);
}

double ScreenRecordingSvc::elapsedSeconds() const {
    return elapsedAt(platform::monotonicNowNs());
}

QImage ScreenRecordingSvc::thumbnail() const {
    std::lock_guard lock(thumbnailLock_);
    return thumbnail_;
}

void ScreenRecordingSvc::start(const RecordingTarget& target, const QString& outputPath,
                               std::function<void(std::optional<RecordingError>)> done) {
    if (state_ != RecordingState::idle) {
        runOnMain([done] { done(RecordingError::of(RecordingError::Kind::alreadyRecording)); });
        return;
    }
    setState(RecordingState::preparing);
    platform::ContentQuery query;
    query.excludeDesktopWindows = false;
    query.onScreenWindowsOnly = false;
    query.includeWindows = target.kind == RecordingTarget::Kind::window;
    QPointer<ScreenRecordingSvc> self(this);
    backends_.screen->shareableContent(
        query, [self, target, outputPath, done](Result<platform::ShareableContent> r) {
            if (self) {
                self->continueStart(target, outputPath, std::move(r), done);
            }
        });
}

void ScreenRecordingSvc::continueStart(const RecordingTarget& target, const QString& outputPath,
                                       Result<platform::ShareableContent> content,
                                       std::function<void(std::optional<RecordingError>)> done) {
    const auto fail = [&](RecordingError e) {
        abortStart();
        done(e);
    };
    if (!content) {
        logError(QStringLiteral("[Recording] SCShareableContent 失敗: ") + content.error());
        return fail(RecordingError::writerStartFailed(content.error()));
    }
    const auto& displays = content->displays;
    std::optional<platform::DisplayInfo> display;
    std::optional<platform::WindowInfo> window;
    if (target.kind == RecordingTarget::Kind::window) {
        for (const auto& w : content->windows) {
            if (w.windowId == target.windowId) {
                window = w;
            }
        }
        if (!window) {
            return fail(RecordingError::of(RecordingError::Kind::windowNotFound));
        }
        if (!window->onScreen) {
            // Minimised or on another desktop: nothing of it is on the screen to record.
            const QString title =
                window->title.isEmpty() ? QStringLiteral("the selected window") : window->title;
            logWarning(QStringLiteral("[Recording] Target window ") + title +
                       QStringLiteral(" 不在當前 active Space, 啟動取消"));
            return fail(RecordingError::targetWindowNotVisible(title));
        }
    }
    const platform::DisplayInfo* primary = nullptr;
    for (const auto& d : displays) {
        if (d.primary || !primary) {
            primary = &d;
        }
    }
    if (window) {
        // The display holding most of the window.
        qint64 best = -1;
        for (const auto& d : displays) {
            const QRect frameTopLeft(d.nativeFrame.topLeft() -
                                         (primary ? primary->nativeFrame.topLeft() : QPoint()),
                                     d.nativeFrame.size());
            const QRect overlap = frameTopLeft.intersected(window->frame);
            const qint64 area = qint64(overlap.width()) * overlap.height();
            if (area > best) {
                best = area;
                display = d;
            }
        }
    } else {
        for (const auto& d : displays) {
            if (d.displayId == target.displayId) {
                display = d;
            }
        }
    }
    if (!display) {
        return fail(RecordingError::of(RecordingError::Kind::displayNotFound));
    }
    // X11 lists no window of this process among the shareable ones; there is nothing to exclude.
    logInfo(QStringLiteral("[Recording] 排除自家錄影窗口 0/0"));

    Geometry g;
    const double scale = display->scale > 0 ? display->scale : 1.0;
    const QRect& native = display->nativeFrame;
    const int primaryHeight = primary ? primary->frame.height() : display->frame.height();
    const QPoint primaryNative = primary ? primary->nativeFrame.topLeft() : QPoint();
    switch (target.kind) {
    case RecordingTarget::Kind::display:
        g.sourceRect = native;
        g.outputSize = recordingOutputSize(QSizeF(native.size()), 1.0);
        g.recordedArea = QRectF(display->frame);
        break;
    case RecordingTarget::Kind::area: {
        // Desktop space (bottom-left origin) to the display's top-left points, then pixels.
        const QRect& f = display->frame;
        const QRect& a = target.area;
        const QRect points(a.x() - f.x(), f.y() + f.height() - (a.y() + a.height()), a.width(), a.height());
        g.sourceRectPoints = points;
        g.sourceRect = QRect(native.x() + int(points.x() * scale), native.y() + int(points.y() * scale),
                             int(points.width() * scale), int(points.height() * scale));
        g.outputSize = recordingOutputSize(QSizeF(a.size()), scale);
        g.recordedArea = QRectF(a);
        break;
    }
    case RecordingTarget::Kind::window: {
        const QRect& w = window->frame; // top-left origin at the primary display
        g.sourceRectPoints = QRect(w.topLeft() - (native.topLeft() - primaryNative), w.size());
        g.sourceRect =
            QRect(primaryNative + w.topLeft(), QSize(int(w.width() * scale), int(w.height() * scale)));
        g.outputSize = recordingOutputSize(QSizeF(w.size()), scale);
        g.recordedArea = QRectF(w.x(), primaryHeight - w.y() - w.height(), w.width(), w.height());
        break;
    }
    }
    if (g.outputSize.width() <= 0 || g.outputSize.height() <= 0) {
        return fail(RecordingError::of(RecordingError::Kind::invalidConfig));
    }
    // The grab reads whole pixels of an even size.
    g.sourceRect.setSize(QSize(std::max(g.sourceRect.width() - g.sourceRect.width() % 2, 2),
                               std::max(g.sourceRect.height() - g.sourceRect.height() % 2, 2)));
    if (scale == 1.0) {
        g.sourceRect.setSize(g.outputSize);
    }
    logInfo(QStringLiteral("[Recording] SCStreamConfiguration: %1×%2 sourceRect=%3")
                .arg(g.outputSize.width())
                .arg(g.outputSize.height())
                .arg(g.sourceRectPoints ? rectText(*g.sourceRectPoints) : QStringLiteral("nil")));
    recordedRect_ = g.sourceRect;
    if (auto e = startPipeline(g, outputPath)) {
        return fail(*e);
    }
    done(std::nullopt);
}

bool ScreenRecordingSvc::startSystemAudio() {
    if (!backends_.audio) {
        logWarning(QStringLiteral("[Recording] 系統音訊不可用 (no sound server module)"));
        return false;
    }
    auto source = backends_.audio->systemAudioSource();
    if (!source) {
        logWarning(QStringLiteral("[Recording] 系統音訊不可用: ") + source.error());
        return false;
    }
    auto stream = backends_.audio->open(
        source.value(), QStringLiteral("rec.audio"),
        [this](const platform::AudioBuffer& b) { onAudio(RecordingTimeline::AudioTrack::system, b); });
    if (!stream) {
        logWarning(QStringLiteral("[Recording] 系統音訊不可用: ") + stream.error());
        return false;
    }
    systemAudio_ = std::move(stream.value());
    return true;
}

bool ScreenRecordingSvc::startMicrophone() {
    const QString shownId = active_.selectedMicDeviceId.value_or(QStringLiteral("default"));
    if (!backends_.audio) {
        logWarning(QStringLiteral("[Recording] 找不到麥克風設備 (id=%1)").arg(shownId));
        return false;
    }
    std::optional<QString> device;
    if (active_.selectedMicDeviceId) {
        if (auto list = backends_.audio->sources()) {
            for (const auto& s : list.value()) {
                if (s.name == *active_.selectedMicDeviceId) {
                    device = s.name;
                }
            }
        }
        if (!device) {
            logWarning(QStringLiteral("[Recording] 選定麥克風不存在, 改用預設設備 (id=%1)")
                           .arg(*active_.selectedMicDeviceId));
        }
    }
    if (!device) {
        auto fallback = backends_.audio->defaultInputSource();
        if (!fallback) {
            logWarning(QStringLiteral("[Recording] 找不到麥克風設備 (id=%1)").arg(shownId));
            return false;
        }
        device = fallback.value();
    }
    auto stream =
        backends_.audio->open(*device, QStringLiteral("rec.mic"), [this](const platform::AudioBuffer& b) {
            onAudio(RecordingTimeline::AudioTrack::mic, b);
        });
    if (!stream) {
        logError(QStringLiteral("[Recording] 麥克風輸入創建失敗: ") + stream.error());
        return false;
    }
    micAudio_ = std::move(stream.value());
    logInfo(QStringLiteral("[Recording] 麥克風捕獲已啟動"));
    return true;
}

bool ScreenRecordingSvc::startCamera(const QString& outputPath) {
    RecordingCamera::Config c;
    c.deviceId = active_.selectedCameraDeviceId;
    c.separateFile = active_.webcamSeparateFile;
    if (c.separateFile) {
        const QFileInfo info(outputPath);
        c.separatePath = info.dir().filePath(info.completeBaseName() + QStringLiteral(".webcam.mp4"));
    }
    c.codec = active_.videoCodec;
    c.scale = active_.webcamScale;
    c.position = active_.webcamPosition;
    return camera_->start(backends_.camera ? backends_.camera() : nullptr, c);
}

std::optional<RecordingError> ScreenRecordingSvc::startPipeline(const Geometry& g,
                                                                const QString& outputPath) {
    active_ = options_;
    fps_ = effectiveFrameRate(active_.fps);
    outputSize_ = g.outputSize;
    outputPath_ = outputPath;
    unfinishedPath_ = unfinishedPathFor(outputPath);
    codecName_ = videoCodecName(active_.videoCodec);
    {
        std::lock_guard lock(thumbnailLock_);
        thumbnail_ = QImage();
        thumbnailAtNs_ = -1;
    }
    levels_.reset();

    // While this process writes the unfinished file, its lock tells a recovery scan to leave it.
    unfinishedLock_ = std::make_unique<QLockFile>(unfinishedPath_ + QStringLiteral(".lock"));
    unfinishedLock_->setStaleLockTime(0);
    if (!unfinishedLock_->tryLock(0)) {
        const QString why = QStringLiteral("cannot lock %1").arg(unfinishedPath_);
        logError(QStringLiteral("[Recording] ") + why);
        return RecordingError::writerStartFailed();
    }

    // Inputs first, so the tracks match what actually runs; their samples wait for the session.
    if (active_.systemAudioEnabled && !startSystemAudio()) {
        logWarning(QStringLiteral("[Recording] 系統音訊啟動失敗, 已自動關閉 systemAudioEnabled"));
        active_.systemAudioEnabled = false;
    }
    if (active_.microphoneEnabled && !startMicrophone()) {
        logWarning(QStringLiteral("[Recording] 麥克風啟動失敗, 已自動關閉 microphoneEnabled"));
        active_.microphoneEnabled = false;
    }
    if (active_.webcamEnabled && !startCamera(outputPath)) {
        logWarning(QStringLiteral("[Recording] 攝影機啟動失敗, 已自動關閉 webcamEnabled"));
        active_.webcamEnabled = false;
    }

    platform::MediaWriterConfig config;
    config.path = unfinishedPath_;
    config.width = g.outputSize.width();
    config.height = g.outputSize.height();
    config.hevc = active_.videoCodec == VideoCodec::hevc;
    config.bitrate = recordingBitrate(g.outputSize, fps_, active_.qualityPreset);
    config.fps = fps_;
    config.keyframeInterval = 60;
    config.crashSafe = true;
    systemTrack_ = micTrack_ = -1;
    singleAudioMode_ = false;
    QStringList trackInputNames;
    if (active_.systemAudioEnabled && active_.microphoneEnabled) {
        config.audioTracks = {QStringLiteral("System Audio"), QStringLiteral("Microphone")};
        trackInputNames = {QStringLiteral("system audio"), QStringLiteral("microphone audio")};
        systemTrack_ = 0;
        micTrack_ = 1;
    } else if (active_.systemAudioEnabled || active_.microphoneEnabled) {
        config.audioTracks = {active_.systemAudioEnabled ? QStringLiteral("System Audio")
                                                         : QStringLiteral("Microphone")};
        trackInputNames = {QStringLiteral("audio")};
        singleAudioMode_ = true;
        (active_.systemAudioEnabled ? systemTrack_ : micTrack_) = 0;
    }
    writer_ = backends_.makeWriter ? backends_.makeWriter() : nullptr;
    if (!writer_) {
        logError(QStringLiteral("[Recording] 錄影寫入器無法載入"));
        return RecordingError::writerStartFailed();
    }
    platform::MediaWriter::OpenError openError;
    if (!writer_->open(config, &openError)) {
        writer_.reset();
        using K = platform::MediaWriter::OpenError::Kind;
        logError(QStringLiteral("[Recording] writer 建立失敗: ") + openError.text);
        if (openError.kind == K::videoInput) {
            return RecordingError::writerInputRejected(QStringLiteral("video"));
        }
        if (openError.kind == K::audioInput && openError.audioTrack >= 0 &&
            openError.audioTrack < trackInputNames.size()) {
            return RecordingError::writerInputRejected(trackInputNames[openError.audioTrack]);
        }
        return RecordingError::writerStartFailed();
    }

    effects_ = {active_.recordCursorHaloEnabled, active_.recordCursorTrailEnabled,
                active_.recordClickRippleEnabled};
    timeline_.begin(fps_);
    timeline_.setDurationLimit(durationLimitSec_ ? std::optional<int64_t>(int64_t(*durationLimitSec_ * 1e9))
                                                 : std::nullopt);
    // The recording's clock starts with capture: the first frame comes at once.
    recordingStartNs_ = platform::monotonicNowNs();
    pausedAccumulatorNs_ = 0;
    lastPauseNs_.reset();

    platform::ScreenStreamConfig streamConfig;
    streamConfig.sourceRect = g.sourceRect;
    streamConfig.outputSize = g.outputSize;
    streamConfig.fps = fps_;
    streamConfig.showCursor = true;
    if (active_.webcamEnabled && !active_.webcamSeparateFile) {
        // The camera moves when the screen does not: every frame interval carries a picture.
        streamConfig.idleRepeatNs = 1'000'000'000LL / fps_;
    } else if (!active_.systemAudioEnabled && !active_.microphoneEnabled) {
        // Without sound only frames close the file's fragments: one every half second on a still
        // screen keeps a killed recording within about a second of its end.
        streamConfig.idleRepeatNs = 500'000'000LL;
    }
    QString error;
    stream_ = backends_.frames ? backends_.frames->start(
                                     streamConfig, [this](platform::ScreenFrame& f) { onVideoFrame(f); },
                                     [self = QPointer<ScreenRecordingSvc>(this)](const QString& e) {
                                         logError(QStringLiteral("[Recording] SCStream 異常停止: ") + e);
                                         runOnMain([self, e] {
                                             if (self) {
                                                 Q_EMIT self->streamFailed(e);
                                             }
                                         });
                                     },
                                     &error)
                               : nullptr;
    if (!stream_) {
        logError(QStringLiteral("[Recording] startCapture 失敗: ") + error);
        return RecordingError::writerStartFailed(error);
    }

    telemetry_->start(outputPath, g.recordedArea, QDir::tempPath());
    segments_.begin();
    setState(RecordingState::recording);
    Q_EMIT elapsedSecondsChanged(0);
    durationTimer_.start();
    levelTimer_.start();
    logInfo(QStringLiteral("[Recording] 開始錄影 %1×%2@%3fps sysAudio=%4 mic=%5 codec=%6 quality=%7")
                .arg(g.outputSize.width())
                .arg(g.outputSize.height())
                .arg(fps_)
                .arg(boolText(active_.systemAudioEnabled), boolText(active_.microphoneEnabled), codecName_,
                     qualityPresetRawValue(active_.qualityPreset)));
    return std::nullopt;
}

void ScreenRecordingSvc::abortStart() {
    telemetry_->stopSampling();
    telemetry_->discard();
    timeline_.end();
    if (stream_) {
        stream_->stop(0);
        stream_.reset();
    }
    if (systemAudio_) {
        systemAudio_->stop();
        systemAudio_.reset();
    }
    if (micAudio_) {
        micAudio_->stop();
        micAudio_.reset();
    }
    camera_->abandon();
    if (writer_) {
        writer_->cancel();
        writer_.reset();
    }
    if (!unfinishedPath_.isEmpty()) {
        QFile::remove(unfinishedPath_);
    }
    unfinishedLock_.reset();
    recordingStartNs_.reset();
    setState(RecordingState::idle);
}

void ScreenRecordingSvc::onVideoFrame(platform::ScreenFrame& frame) {
    // The frame-status rule: a frame without a status is usable; only complete frames are kept.
    if (!frame.frameStatus) {
        if (timeline_.countMissingFrameStatus() <= 3) {
            logWarning(QStringLiteral("[Recording] 視頻幀缺少 sample attachments, 已按可用幀處理"));
        }
    } else if (*frame.frameStatus != 0) {
        if (timeline_.countNonCompleteFrame() <= 3) {
            logInfo(QStringLiteral("[Recording] 丟棄非完整視頻幀 status=%1").arg(*frame.frameStatus));
        }
        return;
    }
    if (!frame.image || frame.image->isNull()) {
        return;
    }
    const std::optional<int64_t> raw = frame.ptsNs > 0 ? std::optional<int64_t>(frame.ptsNs) : std::nullopt;
    const auto timing = timeline_.admitVideo(raw, frame.durationNs, frame.last);
    if (!timing) {
        return;
    }
    platform::MediaWriter* writer = writer_.get();
    if (!writer || writer->status() != platform::MediaWriter::Status::writing) {
        return;
    }
    if (timing->startsSession) {
        writer->startSession(timing->adjustedNs);
    }
    const int64_t sinceStart = timing->adjustedNs - timeline_.sessionStartNs();
    if (effects_.halo || effects_.trail || effects_.ripple) {
        const int64_t tMs = std::max<int64_t>(0, sinceStart / 1'000'000);
        CursorEffects::draw(*frame.image, telemetry_->snapshot(tMs), tMs, effects_, &frame.drawnOver);
    }
    frame.drawnOver |= camera_->compositeInto(*frame.image);
    QString error;
    if (!writer->appendVideo(*frame.image, timing->adjustedNs, &error)) {
        logWarning(QStringLiteral("[Recording] 視頻幀 append 被拒: writerStatus=%1 error=%2")
                       .arg(platform::statusName(writer->status()),
                            error.isEmpty() ? QStringLiteral("nil") : error));
        return;
    }
    timeline_.videoAppended(*raw, timing->adjustedNs);
    // The library's picture: the first frame, replaced once by the one a second in (past a
    // start-up flash), scaled down at once so no full frame is kept.
    std::lock_guard lock(thumbnailLock_);
    if (thumbnail_.isNull() || (thumbnailAtNs_ < 1'000'000'000 && sinceStart >= 1'000'000'000)) {
        thumbnail_ = frame.image->scaled(640, 640, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        thumbnailAtNs_ = sinceStart;
    }
}

void ScreenRecordingSvc::onAudio(RecordingTimeline::AudioTrack source, const platform::AudioBuffer& buffer) {
    const bool system = source == RecordingTimeline::AudioTrack::system;
    levels_.update(system ? AudioLevelMeter::Source::system : AudioLevelMeter::Source::mic,
                   AudioLevelMeter::levelOf(buffer.samples, buffer.frames * platform::AudioCapture::channels),
                   uptimeSec());
    // Admitted samples see the writer and tracks set before capture began (under the same lock).
    const auto adjusted = timeline_.admitAudio(source, buffer.ptsNs);
    if (!adjusted) {
        return;
    }
    const int track = system ? systemTrack_ : micTrack_;
    platform::MediaWriter* writer = writer_.get();
    if (track < 0 || !writer) {
        return;
    }
    const int frames =
        timeline_.audioFramesBeforeStop(buffer.ptsNs, buffer.frames, platform::AudioCapture::sampleRate);
    if (frames == 0) {
        return;
    }
    QString error;
    if (!writer->appendAudio(track, buffer.samples, frames, *adjusted, &error)) {
        if (timeline_.countAudioAppendRejected() <= 3) {
            logWarning(QStringLiteral("[Recording] %1 audio append 被拒: writerStatus=%2 error=%3")
                           .arg(system ? QStringLiteral("system") : QStringLiteral("mic"),
                                platform::statusName(writer->status()),
                                error.isEmpty() ? QStringLiteral("nil") : error));
        }
    }
}

void ScreenRecordingSvc::publishLevels() {
    const double now = uptimeSec();
    Q_EMIT micLevelChanged(levels_.level(AudioLevelMeter::Source::mic, now));
    Q_EMIT recordingAudioLevelChanged(levels_.combined(now));
    Q_EMIT systemAudioLevelChanged(levels_.level(AudioLevelMeter::Source::system, now));
}

void ScreenRecordingSvc::pause() {
    if (state_ != RecordingState::recording) {
        return;
    }
    lastPauseNs_ = platform::monotonicNowNs();
    segments_.close(elapsedAt(*lastPauseNs_));
    timeline_.pause(*lastPauseNs_);
    setState(RecordingState::paused);
    logInfo(QStringLiteral("[Recording] 暫停"));
}

void ScreenRecordingSvc::resume() {
    if (state_ != RecordingState::paused) {
        return;
    }
    const int64_t now = platform::monotonicNowNs();
    timeline_.resume(now);
    if (lastPauseNs_) {
        pausedAccumulatorNs_ += now - *lastPauseNs_;
        lastPauseNs_.reset();
    }
    segments_.open();
    setState(RecordingState::recording);
    logInfo(QStringLiteral("[Recording] 繼續"));
}

void ScreenRecordingSvc::stop(std::function<void(StopResult)> done) {
    if (state_ != RecordingState::recording && state_ != RecordingState::paused) {
        logWarning(QStringLiteral("[Recording] stop() 跳過: state=") + recordingStateName(state_));
        runOnMain([done] { done({}); });
        return;
    }
    int64_t stopAt = platform::monotonicNowNs();
    double elapsed = elapsedAt(stopAt);
    if (durationLimitSec_ && state_ == RecordingState::recording && elapsed > *durationLimitSec_) {
        stopAt -= int64_t((elapsed - *durationLimitSec_) * 1e9);
        elapsed = *durationLimitSec_;
    }
    segments_.close(elapsed);
    logInfo(QStringLiteral("[Recording] stop() 開始"));
    setState(RecordingState::stopping);
    durationTimer_.stop();
    levelTimer_.stop();
    telemetry_->stopSampling();
    timeline_.setStopAt(stopAt);
    if (stopWorker_.joinable()) {
        stopWorker_.join();
    }
    // Draining, finishing and remuxing can take a while for a long recording: off the main thread.
    const QPointer<ScreenRecordingSvc> self(this);
    stopWorker_ = std::thread([this, self, stopAt, done = std::move(done)] {
        pthread_setname_np(pthread_self(), "rec.stop");
        const Finished finished = finishFiles(stopAt);
        runOnMain([this, self, finished, done] {
            if (!self) {
                return;
            }
            if (stopWorker_.joinable()) {
                stopWorker_.join();
            }
            StopResult result;
            result.mainURL = finished.mainPath;
            result.webcamURL = finished.webcamPath;
            result.recordingSegments = segments_.segments();
            result.durationSec = finished.durationSec;
            result.width = outputSize_.width();
            result.height = outputSize_.height();
            result.fps = fps_;
            result.codec = active_.videoCodec;
            result.counters = timeline_.counters();
            if (finished.mainPath) {
                result.cursorURL = telemetry_->writeFile(*finished.mainPath);
            } else {
                telemetry_->discard();
            }
            unfinishedLock_.reset();
            recordingStartNs_.reset();
            setState(RecordingState::idle);
            done(result);
        });
    });
}

ScreenRecordingSvc::Finished ScreenRecordingSvc::finishFiles(int64_t stopAtNs) {
    Finished out = finishMainFile(stopAtNs);
    out.webcamPath = camera_->finishSeparateFile(out.mainPath.has_value());
    return out;
}

ScreenRecordingSvc::Finished ScreenRecordingSvc::finishMainFile(int64_t stopAtNs) {
    logInfo(QStringLiteral("[Recording] stopCapture 中..."));
    if (stream_) {
        // A still screen's last picture is held until the stop by a closing frame at the stop
        // (the file's last frame is given no display time of its own, so it ends there).
        stream_->stop(stopAtNs);
    }
    logInfo(QStringLiteral("[Recording] stopCapture 完成"));
    // Every sample thread is joined here, so nothing appends while the writer finishes.
    logInfo(QStringLiteral("[Recording] drain queues 中..."));
    if (systemAudio_) {
        systemAudio_->stop();
    }
    if (micAudio_) {
        micAudio_->stop();
    }
    camera_->stop();
    logInfo(QStringLiteral("[Recording] drain queues 完成"));
    timeline_.end();
    const RecordingCounters c = timeline_.counters();
    const bool sessionStarted = timeline_.sessionStarted();
    platform::MediaWriter* writer = writer_.get();
    logInfo(QStringLiteral("[Recording] writer status=%1 sessionStarted=%2 videoFrames=%3 missingStatus=%4 "
                           "nonComplete=%5 invalidVideoPTS=%6 videoPTSRepair=%7 audioReject=%8")
                .arg(platform::statusName(writer ? writer->status() : platform::MediaWriter::Status::unknown),
                     boolText(sessionStarted))
                .arg(c.videoFramesAppended)
                .arg(c.missingFrameStatusCount)
                .arg(c.nonCompleteFrameCount)
                .arg(c.invalidVideoPTSCount)
                .arg(c.videoPTSRepairCount)
                .arg(c.audioAppendRejectCount));
    Finished out;
    const auto cleanUp = [&] {
        stream_.reset();
        systemAudio_.reset();
        micAudio_.reset();
        writer_.reset();
    };
    if (!writer) {
        cleanUp();
        return out;
    }
    if (!sessionStarted || c.videoFramesAppended == 0) {
        logInfo(QStringLiteral("[Recording] 從未成功寫入視頻幀, 取消寫入"));
        writer->cancel();
        cleanUp();
        return out;
    }
    if (writer->status() != platform::MediaWriter::Status::writing) {
        if (writer->status() == platform::MediaWriter::Status::failed) {
            logError(QStringLiteral("[Recording] AVAssetWriter 狀態為 failed: ") + writer->errorText());
        } else {
            logError(QStringLiteral("[Recording] AVAssetWriter 狀態異常: ") +
                     platform::statusName(writer->status()));
        }
        writer->cancel();
        cleanUp();
        return out;
    }
    QString error;
    if (!writer->finish(&error)) {
        logError(QStringLiteral("[Recording] 錄影寫入失敗: ") + error);
        writer->cancel();
        cleanUp();
        return out;
    }
    cleanUp();
    // The crash-safe (fragmented) file becomes a plain MP4 with its index first, which every
    // player opens and seeks at once.
    const QString temporary =
        QFileInfo(outputPath_)
            .dir()
            .filePath(QFileInfo(outputPath_).completeBaseName() + QStringLiteral(".tmp.mp4"));
    QFile::remove(temporary);
    bool finalized = false;
    if (backends_.remuxer) {
        if (backends_.remuxer->copy(unfinishedPath_, temporary, 0, std::nullopt, &error)) {
            QFile::remove(outputPath_);
            finalized = QFile::rename(temporary, outputPath_);
        } else {
            logWarning(QStringLiteral("[Recording] fast-start 轉換失敗, 保留分段 MP4: ") + error);
        }
        QFile::remove(temporary);
    }
    if (finalized) {
        QFile::remove(unfinishedPath_);
    } else {
        QFile::remove(outputPath_);
        QFile::rename(unfinishedPath_, outputPath_);
    }
    const QFileInfo info(outputPath_);
    if (!info.exists() || info.size() <= 0) {
        logError(QStringLiteral("[Recording] 文件無效: 空文件或不存在 ") + outputPath_);
        QFile::remove(outputPath_);
        return out;
    }
    logInfo(QStringLiteral("[Recording] 錄影完成: ") + outputPath_);
    out.mainPath = outputPath_;
    if (backends_.probe) {
        if (auto probed = backends_.probe->probe(outputPath_, &error)) {
            out.durationSec = probed->durationSec;
        }
    }
    return out;
}

} // namespace mebo
