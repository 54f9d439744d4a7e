#include "recording/RecordingCamera.h"

#include "app/AppLogger.h"
#include "platform/MonotonicClock.h"

#include <QFile>
#include <QFileInfo>

namespace mebo {

RecordingCamera::RecordingCamera(RecordingTimeline& timeline, WriterFactory makeWriter)
    : timeline_(timeline), makeWriter_(std::move(makeWriter)) {}

RecordingCamera::~RecordingCamera() {
    stop();
}

bool RecordingCamera::start(platform::CameraCapture* capture, const Config& config) {
    config_ = config;
    pipActive_ = false;
    writer_.reset();
    writerAbandoned_ = false;
    webcamSessionStarted_ = false;
    lastWebcamPreviewEmissionNs_ = 0;
    {
        std::lock_guard lock(cameraLock_);
        latestCameraFrame_ = QImage();
    }
    const QString shownId = config.deviceId.value_or(QStringLiteral("default"));
    if (!capture) {
        logWarning(QStringLiteral("[Recording] 找不到攝影機設備 (id=%1)").arg(shownId));
        return false;
    }
    std::optional<QString> device;
    if (config.deviceId) {
        if (config.deviceId->startsWith(QLatin1String(platform::CameraCapture::filePrefix))) {
            device = *config.deviceId;
        } else if (auto list = capture->devices()) {
            for (const auto& d : list.value()) {
                if (d.uniqueId == *config.deviceId) {
                    device = d.uniqueId;
                }
            }
        }
        if (!device) {
            logWarning(
                QStringLiteral("[Recording] 選定攝影機不存在, 改用預設設備 (id=%1)").arg(*config.deviceId));
        }
    }
    if (!device) {
        auto fallback = capture->defaultDevice();
        if (!fallback) {
            logWarning(QStringLiteral("[Recording] 找不到攝影機設備 (id=%1)").arg(shownId));
            return false;
        }
        device = fallback.value();
    }
    auto stream = capture->open(
        *device, QStringLiteral("rec.camera"), [this](const platform::CameraFrame& f) { onFrame(f); },
        [this](const QString& error) {
            // The recording goes on; the picture-in-picture disappears rather than freeze.
            logWarning(QStringLiteral("[Recording] 攝影機中斷: ") + error);
            std::lock_guard lock(cameraLock_);
            latestCameraFrame_ = QImage();
        });
    if (!stream) {
        logError(QStringLiteral("[Recording] 攝影機輸入創建失敗: ") + stream.error());
        return false;
    }
    stream_ = std::move(stream.value());
    pipActive_ = !config.separateFile;
    started_ = true;
    logInfo(QStringLiteral("[Recording] 攝影機捕獲已啟動 (Webcam PiP)"));
    return true;
}

void RecordingCamera::onFrame(const platform::CameraFrame& frame) {
    {
        std::lock_guard lock(cameraLock_);
        latestCameraFrame_ = frame.image;
    }
    const int64_t now = platform::monotonicNowNs();
    if (onPreview_ && now - lastWebcamPreviewEmissionNs_ >= 1'000'000'000 / previewRate) {
        lastWebcamPreviewEmissionNs_ = now;
        onPreview_(frame.image.width() > 320 ? frame.image.scaledToWidth(320, Qt::SmoothTransformation)
                                             : frame.image);
    }
    if (config_.separateFile && timeline_.isCapturing()) {
        writeSeparate(frame);
    }
}

QRect RecordingCamera::compositeInto(QImage& frame) {
    if (config_.separateFile || !pipActive_) {
        return {};
    }
    QImage camera;
    {
        std::lock_guard lock(cameraLock_);
        camera = latestCameraFrame_;
    }
    return pip_.composite(frame, camera, config_.scale, config_.position);
}

bool RecordingCamera::createWriter(QSize cameraSize) {
    writerAbandoned_ = true; // until it is made
    if (config_.separatePath.isEmpty()) {
        return false;
    }
    // Encoders take even sizes only.
    writerSize_ = QSize(cameraSize.width() & ~1, cameraSize.height() & ~1);
    writer_ = makeWriter_ ? makeWriter_() : nullptr;
    if (!writer_ || writerSize_.isEmpty()) {
        logError(QStringLiteral("[Recording] webcam writer 建立失敗: ") +
                 (writer_ ? QStringLiteral("camera picture too small") : QStringLiteral("no media writer")));
        writer_.reset();
        return false;
    }
    platform::MediaWriterConfig c;
    c.path = config_.separatePath;
    c.width = writerSize_.width();
    c.height = writerSize_.height();
    c.hevc = config_.codec == VideoCodec::hevc;
    c.bitrate = std::max<int64_t>(4LL * c.width * c.height, 2'000'000);
    c.fps = 30;
    c.keyframeInterval = 60;
    c.crashSafe = true; // a crash leaves a playable file beside the recording's
    platform::MediaWriter::OpenError error;
    if (!writer_->open(c, &error)) {
        using K = platform::MediaWriter::OpenError::Kind;
        if (error.kind == K::videoInput) {
            logError(QStringLiteral("[Recording] webcam writer 無法加入 video input"));
        } else {
            logError(QStringLiteral("[Recording] webcam writer startWriting 失敗: ") + error.text);
        }
        writer_.reset();
        QFile::remove(c.path);
        return false;
    }
    writerAbandoned_ = false;
    logInfo(QStringLiteral("[Recording] webcam writer 已建 %1×%2 codec=%3 bitrate=%4 path=%5")
                .arg(c.width)
                .arg(c.height)
                .arg(videoCodecName(config_.codec))
                .arg(c.bitrate)
                .arg(c.path));
    return true;
}

void RecordingCamera::writeSeparate(const platform::CameraFrame& frame) {
    if (writerAbandoned_ || (!writer_ && !createWriter(frame.image.size()))) {
        return;
    }
    const auto adjusted = timeline_.admitWebcam(frame.ptsNs);
    if (!adjusted || writer_->status() != platform::MediaWriter::Status::writing) {
        return;
    }
    int64_t at = *adjusted;
    if (!webcamSessionStarted_) {
        // Both files start at the recording's time zero: the first camera picture is held from
        // there, so a moment of the recording is the same moment of the camera file.
        at = timeline_.sessionStartNs();
        writer_->startSession(at);
        webcamSessionStarted_ = true;
    }
    QImage image = frame.image;
    if (image.size() != writerSize_) {
        // An odd size loses its last column or row; a camera that changed its size is scaled.
        image = image.width() >= writerSize_.width() && image.height() >= writerSize_.height()
                    ? image.copy(QRect(QPoint(0, 0), writerSize_))
                    : image.scaled(writerSize_);
    }
    QString error;
    writer_->appendVideo(image, at, &error);
}

void RecordingCamera::stop() {
    if (stream_) {
        stream_->stop();
        stream_.reset();
    }
}

std::optional<QString> RecordingCamera::finishSeparateFile(bool mainFileOk) {
    const bool ran = started_;
    stop();
    started_ = false;
    if (!writer_) {
        // No camera frame came while capture ran: nothing was written.
        if (ran && config_.separateFile && !writerAbandoned_ && mainFileOk) {
            logWarning(QStringLiteral("[Recording] webcam writer 從未 startSession, 取消"));
        }
        return std::nullopt;
    }
    const std::unique_ptr<platform::MediaWriter> writer = std::move(writer_);
    const QString path = config_.separatePath;
    if (!mainFileOk) {
        logWarning(QStringLiteral("[Recording] 主 writer 失敗, 同步取消 webcam sibling"));
        writer->cancel();
        return std::nullopt;
    }
    if (!webcamSessionStarted_) {
        logWarning(QStringLiteral("[Recording] webcam writer 從未 startSession, 取消"));
        writer->cancel();
        QFile::remove(path);
        return std::nullopt;
    }
    if (writer->status() != platform::MediaWriter::Status::writing) {
        logError(QStringLiteral("[Recording] webcam writer 狀態異常: ") +
                 platform::statusName(writer->status()));
        writer->cancel();
        QFile::remove(path);
        return std::nullopt;
    }
    QString error;
    if (!writer->finish(&error)) {
        logError(QStringLiteral("[Recording] webcam writer finalize 失敗: ") + error);
        writer->cancel();
        QFile::remove(path);
        return std::nullopt;
    }
    const QFileInfo info(path);
    if (!info.exists() || info.size() <= 0) {
        logWarning(QStringLiteral("[Recording] webcam sibling 空檔, 丟棄"));
        QFile::remove(path);
        return std::nullopt;
    }
    logInfo(QStringLiteral("[Recording] webcam sibling 已寫: ") + path);
    return path;
}

void RecordingCamera::abandon() {
    stop();
    started_ = false;
    if (writer_) {
        writer_->cancel();
        writer_.reset();
        QFile::remove(config_.separatePath);
    }
}

} // namespace mebo
