#pragma once

// Test doubles of the recording interfaces: a screen stream driven by the test, a writer that
// remembers what it was given, audio sources, cameras and mouse buttons. Every source delivers
// from the caller's thread and, like the real ones, never after its stream's stop() returned.

#include "platform/AudioCapture.h"
#include "platform/CameraCapture.h"
#include "platform/MediaProbe.h"
#include "platform/MediaWriter.h"
#include "platform/PointerButtons.h"
#include "platform/ScreenFrameSource.h"

#include <QFile>
#include <QImage>
#include <atomic>
#include <map>
#include <mutex>
#include <vector>

namespace mebo::test {

class FakeMediaWriter : public platform::MediaWriter {
public:
    struct Log {
        std::mutex lock;
        platform::MediaWriterConfig config;
        std::optional<int64_t> sessionStartNs;
        std::vector<int64_t> videoPts;
        std::vector<std::pair<int, int64_t>> audio; // track, pts
        bool finished = false;
        bool cancelled = false;
        int appendsAfterEnd = 0; // samples offered once the file was finished or cancelled
    };
    explicit FakeMediaWriter(std::shared_ptr<Log> log) : log_(std::move(log)) {}

    std::optional<OpenError> openError;

    bool open(const platform::MediaWriterConfig& config, OpenError* error) override {
        std::lock_guard lock(log_->lock);
        log_->config = config;
        if (openError) {
            *error = *openError;
            return false;
        }
        QFile file(config.path); // something a remuxer can copy
        if (file.open(QIODevice::WriteOnly)) {
            file.write("fake mp4");
        }
        status_ = Status::writing;
        return true;
    }
    Status status() const override { return status_; }
    QString errorText() const override { return {}; }
    void startSession(int64_t ptsNs) override {
        std::lock_guard lock(log_->lock);
        log_->sessionStartNs = ptsNs;
    }
    bool appendVideo(const QImage& frame, int64_t ptsNs, QString*) override {
        std::lock_guard lock(log_->lock);
        if (ended()) {
            ++log_->appendsAfterEnd;
            return false;
        }
        log_->videoPts.push_back(ptsNs);
        return !frame.isNull();
    }
    bool appendAudio(int track, const float*, int, int64_t ptsNs, QString*) override {
        std::lock_guard lock(log_->lock);
        if (ended()) {
            ++log_->appendsAfterEnd;
            return false;
        }
        log_->audio.emplace_back(track, ptsNs);
        return true;
    }
    bool finish(QString*) override {
        std::lock_guard lock(log_->lock);
        log_->finished = true;
        status_ = Status::completed;
        return true;
    }
    void cancel() override {
        std::lock_guard lock(log_->lock);
        log_->cancelled = true;
        status_ = Status::cancelled;
        QFile::remove(log_->config.path);
    }

private:
    bool ended() const { return status_ == Status::completed || status_ == Status::cancelled; }
    std::shared_ptr<Log> log_;
    std::atomic<Status> status_{Status::unknown};
};

// Frames are pushed by the test from any thread with deliver(); none is taken after the stop.
class FakeFrameSource : public platform::ScreenFrameSource {
public:
    std::unique_ptr<platform::ScreenFrameStream> start(const platform::ScreenStreamConfig& config,
                                                       std::function<void(platform::ScreenFrame&)> onFrame,
                                                       std::function<void(const QString&)>,
                                                       QString* error) override {
        if (!startError.isEmpty()) {
            *error = startError;
            return nullptr;
        }
        std::lock_guard lock(mutex_);
        lastConfig = config;
        onFrame_ = std::move(onFrame);
        running_ = true;
        return std::make_unique<Stream>(this);
    }
    // Answers whether a running stream took the frame.
    bool deliver(int64_t ptsNs, std::optional<int> status = 0) {
        std::lock_guard lock(mutex_);
        if (!running_) {
            return false;
        }
        QImage image(lastConfig.outputSize, QImage::Format_RGB32);
        image.fill(Qt::darkGray);
        platform::ScreenFrame f;
        f.image = &image;
        f.ptsNs = ptsNs;
        f.frameStatus = status;
        onFrame_(f);
        return true;
    }
    bool running() {
        std::lock_guard lock(mutex_);
        return running_;
    }

    QString startError;
    platform::ScreenStreamConfig lastConfig;

private:
    struct Stream : platform::ScreenFrameStream {
        explicit Stream(FakeFrameSource* s) : source(s) {}
        void stop(int64_t) override {
            std::lock_guard lock(source->mutex_);
            source->running_ = false;
        }
        FakeFrameSource* source;
    };
    std::mutex mutex_;
    std::function<void(platform::ScreenFrame&)> onFrame_;
    bool running_ = false;
};

class FakeAudioCapture : public platform::AudioCapture {
public:
    QList<platform::AudioSourceInfo> list{{QStringLiteral("sink.monitor"), QStringLiteral("Monitor"), true},
                                          {QStringLiteral("mic-1"), QStringLiteral("Microphone"), false}};
    QString monitor = QStringLiteral("sink.monitor");
    QString defaultInput = QStringLiteral("mic-1");
    QStringList opened; // source names

    Result<QList<platform::AudioSourceInfo>> sources() override {
        return Result<QList<platform::AudioSourceInfo>>::ok(list);
    }
    Result<QString> systemAudioSource() override {
        return monitor.isEmpty() ? Result<QString>::fail(QStringLiteral("no output"))
                                 : Result<QString>::ok(monitor);
    }
    Result<QString> defaultInputSource() override {
        return defaultInput.isEmpty() ? Result<QString>::fail(QStringLiteral("no input"))
                                      : Result<QString>::ok(defaultInput);
    }
    Result<std::unique_ptr<platform::AudioCaptureStream>>
    open(const QString& source, const QString&,
         std::function<void(const platform::AudioBuffer&)> cb) override {
        std::lock_guard lock(mutex_);
        opened << source;
        callbacks_[source] = std::move(cb);
        struct S : platform::AudioCaptureStream {
            FakeAudioCapture* owner;
            QString name;
            void stop() override {
                std::lock_guard lock(owner->mutex_);
                owner->callbacks_.erase(name);
            }
        };
        auto s = std::make_unique<S>();
        s->owner = this;
        s->name = source;
        return Result<std::unique_ptr<platform::AudioCaptureStream>>::ok(std::move(s));
    }
    // Delivers 10 ms of a constant level to `source`; false when it is not open.
    bool deliver(const QString& source, int64_t ptsNs, float value = 0.25f) {
        std::lock_guard lock(mutex_);
        auto it = callbacks_.find(source);
        if (it == callbacks_.end()) {
            return false;
        }
        std::vector<float> samples(480 * 2, value);
        it->second({samples.data(), 480, ptsNs});
        return true;
    }

private:
    std::mutex mutex_;
    std::map<QString, std::function<void(const platform::AudioBuffer&)>> callbacks_;
};

// Cameras the test names; frames are delivered by the test from any thread.
class FakeCameraCapture : public platform::CameraCapture {
public:
    QList<platform::CameraDeviceInfo> list;
    QString openError;
    QString opened;
    int opens = 0;
    int stops = 0;

    Result<QList<platform::CameraDeviceInfo>> devices() override {
        return Result<QList<platform::CameraDeviceInfo>>::ok(list);
    }
    Result<QString> defaultDevice() override {
        return list.isEmpty() ? Result<QString>::fail(QStringLiteral("none"))
                              : Result<QString>::ok(list.first().uniqueId);
    }
    Result<std::unique_ptr<platform::CameraStream>>
    open(const QString& id, const QString&, std::function<void(const platform::CameraFrame&)> onFrame,
         std::function<void(const QString&)>) override {
        if (!openError.isEmpty()) {
            return Result<std::unique_ptr<platform::CameraStream>>::fail(openError);
        }
        std::lock_guard lock(mutex_);
        ++opens;
        opened = id;
        onFrame_ = std::move(onFrame);
        struct S : platform::CameraStream {
            FakeCameraCapture* owner;
            void stop() override {
                std::lock_guard lock(owner->mutex_);
                owner->onFrame_ = nullptr;
                ++owner->stops;
            }
        };
        auto s = std::make_unique<S>();
        s->owner = this;
        return Result<std::unique_ptr<platform::CameraStream>>::ok(std::move(s));
    }
    // Answers whether a running stream took the frame.
    bool deliver(const platform::CameraFrame& frame) {
        std::lock_guard lock(mutex_);
        if (!onFrame_) {
            return false;
        }
        onFrame_(frame);
        return true;
    }
    // The running stream's frame callback itself, for a frame already on its way when it stops.
    std::function<void(const platform::CameraFrame&)> callback() {
        std::lock_guard lock(mutex_);
        return onFrame_;
    }

private:
    std::mutex mutex_;
    std::function<void(const platform::CameraFrame&)> onFrame_;
};

class FakePointerButtons : public platform::PointerButtons {
public:
    std::atomic<uint32_t> pressed{0};
    uint32_t pressedButtons() override { return pressed; }
    bool startPressMonitor(std::function<void(int)>) override { return true; }
    void stopPressMonitor() override {}
};

// Copies files byte for byte; probes answer a 64x48 video of `duration` seconds.
class FakeRemuxer : public platform::MediaRemuxer, public platform::MediaProbe {
public:
    bool failCopy = false;
    double duration = 10;
    struct Copy {
        QString source, destination;
        double start;
        std::optional<double> end;
    };
    QList<Copy> copies;
    std::optional<platform::MediaStreamFacts> probe(const QString&, QString*) override {
        platform::MediaStreamFacts f;
        f.durationSec = duration;
        f.hasVideo = true;
        f.videoSize = QSize(64, 48);
        return f;
    }
    bool copy(const QString& source, const QString& destination, double start, std::optional<double> end,
              QString* error) override {
        copies.append({source, destination, start, end});
        if (failCopy) {
            *error = QStringLiteral("copy failed");
            return false;
        }
        QFile in(source);
        QFile out(destination);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("cannot open");
            return false;
        }
        out.write(in.readAll());
        return true;
    }
    QImage frameAt(const QString&, double, QString*) override { return QImage(8, 8, QImage::Format_RGB32); }
};

} // namespace mebo::test
