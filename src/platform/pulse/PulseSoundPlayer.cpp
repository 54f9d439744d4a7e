#include "platform/pulse/PulseSoundPlayer.h"

#include <QFileInfo>

#include <pthread.h>
#include <pulse/error.h>
#include <pulse/simple.h>
#include <xcb/xcb.h>

#include <chrono>

namespace mebo::platform {

namespace {

// Small server buffer so that a newer play() or stop() cuts the sound within ~chunk time, and the
// chunk the worker writes between checks.
constexpr pa_usec_t kTargetBufferUs = 80000;
constexpr pa_usec_t kMinRequestUs = 20000;
constexpr int kChunkMs = 20;

} // namespace

PulseSoundPlayer::PulseSoundPlayer(int startTimeoutMs) : startTimeoutMs_(startTimeoutMs) {}

PulseSoundPlayer::~PulseSoundPlayer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool PulseSoundPlayer::load(const QString& path) {
    QString error;
    auto decoded = DecodedSound::fromFile(path, &error);
    if (!decoded) {
        sound_.reset();
        std::lock_guard lock(mutex_);
        error_ = error;
        return false;
    }
    sound_ = std::make_shared<const DecodedSound>(std::move(*decoded));
    soundName_ = QFileInfo(path).completeBaseName();
    return true;
}

void PulseSoundPlayer::post(std::shared_ptr<const DecodedSound> sound) {
    // Caller holds mutex_.
    ++request_.generation;
    request_.sound = std::move(sound);
    request_.name = soundName_;
    if (!worker_.joinable()) {
        worker_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

bool PulseSoundPlayer::play() {
    std::unique_lock lock(mutex_);
    if (!sound_) {
        error_ = QStringLiteral("No sound is loaded");
        return false;
    }
    post(sound_);
    if (streamOpen_) {
        return true;
    }
    const uint64_t generation = request_.generation;
    const bool answered = started_.wait_for(lock, std::chrono::milliseconds(startTimeoutMs_),
                                            [&] { return startedGeneration_ == generation; });
    if (answered) {
        return startOk_;
    }
    // Withdraw the request: a connection that succeeds later must not sound after we said no.
    post(nullptr);
    error_ = QStringLiteral("The sound server did not answer within %1 ms").arg(startTimeoutMs_);
    return false;
}

void PulseSoundPlayer::stop() {
    std::lock_guard lock(mutex_);
    if (worker_.joinable()) {
        post(nullptr);
    }
}

void PulseSoundPlayer::beep() {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        return;
    }
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    if (!xcb_connection_has_error(connection)) {
        xcb_bell(connection, 0); // the base volume
        // A round trip, so the bell is processed before the connection closes.
        free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    xcb_disconnect(connection);
}

QString PulseSoundPlayer::lastError() const {
    std::lock_guard lock(mutex_);
    return error_;
}

bool PulseSoundPlayer::isPlaying() const {
    std::lock_guard lock(mutex_);
    return playing_;
}

bool PulseSoundPlayer::superseded(uint64_t generation) const {
    std::lock_guard lock(mutex_);
    return stopping_ || request_.generation != generation;
}

PulseSoundPlayer::Outcome PulseSoundPlayer::playOn(::pa_simple* stream, const DecodedSound& sound,
                                                   uint64_t generation) {
    const size_t chunkValues = size_t(sound.sampleRate) * kChunkMs / 1000 * size_t(sound.channels);
    const float* data = sound.samples.data();
    const size_t total = sound.samples.size();
    int error = 0;
    for (size_t offset = 0; offset < total; offset += chunkValues) {
        if (superseded(generation)) {
            pa_simple_flush(stream, &error);
            return Outcome::superseded;
        }
        const size_t count = std::min(chunkValues, total - offset);
        // Blocks while the server's buffer is full, i.e. paces the loop at playback speed.
        if (pa_simple_write(stream, data + offset, count * sizeof(float), &error) < 0) {
            return Outcome::broken;
        }
    }
    if (superseded(generation)) {
        pa_simple_flush(stream, &error);
        return Outcome::superseded;
    }
    // Waits for the last ~kTargetBufferUs of sound; also starts a sound shorter than the prebuffer.
    if (pa_simple_drain(stream, &error) < 0) {
        return Outcome::broken;
    }
    return Outcome::finished;
}

void PulseSoundPlayer::run() {
    pthread_setname_np(pthread_self(), "mebo.sound");
    ::pa_simple* stream = nullptr; // the worker's own; kept between sounds only to cut one short
    pa_sample_spec streamSpec{};
    auto closeStream = [this, &stream] {
        if (stream) {
            pa_simple_free(stream);
            stream = nullptr;
            std::lock_guard lock(mutex_);
            streamOpen_ = false;
        }
    };

    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || request_.generation != served_; });
        if (stopping_) {
            break;
        }
        const Request request = request_;
        served_ = request.generation;
        lock.unlock();

        if (!request.sound) {
            closeStream();
            lock.lock();
            continue;
        }
        const DecodedSound& sound = *request.sound;
        pa_sample_spec sampleFormat{};
        sampleFormat.format = PA_SAMPLE_FLOAT32NE;
        sampleFormat.rate = uint32_t(sound.sampleRate);
        sampleFormat.channels = uint8_t(sound.channels);
        if (stream && !pa_sample_spec_equal(&sampleFormat, &streamSpec)) {
            closeStream();
        }
        QString failure;
        if (!stream) {
            pa_buffer_attr attr{};
            attr.maxlength = uint32_t(-1);
            attr.tlength = uint32_t(pa_usec_to_bytes(kTargetBufferUs, &sampleFormat));
            attr.prebuf = uint32_t(-1);
            attr.minreq = uint32_t(pa_usec_to_bytes(kMinRequestUs, &sampleFormat));
            attr.fragsize = uint32_t(-1);
            int error = 0;
            const QByteArray name =
                request.name.isEmpty() ? QByteArrayLiteral("sound") : request.name.toUtf8();
            stream = pa_simple_new(nullptr, "Mebo", PA_STREAM_PLAYBACK, nullptr, name.constData(),
                                   &sampleFormat, nullptr, &attr, &error);
            streamSpec = sampleFormat;
            if (!stream) {
                failure = QStringLiteral("Cannot reach the sound server: %1")
                              .arg(QString::fromUtf8(pa_strerror(error)));
            }
        }

        lock.lock();
        streamOpen_ = stream != nullptr;
        const bool current = !stopping_ && request_.generation == request.generation;
        if (current) {
            startedGeneration_ = request.generation;
            startOk_ = stream != nullptr;
            if (!stream) {
                error_ = failure;
            }
            started_.notify_all();
        }
        if (!stream || !current) {
            continue;
        }
        playing_ = true;
        lock.unlock();

        const Outcome outcome = playOn(stream, sound, request.generation);
        if (outcome != Outcome::superseded) {
            // Close after each sound so the server can suspend the sink.
            closeStream();
        }

        lock.lock();
        playing_ = false;
    }
    lock.unlock();
    if (stream) {
        int error = 0;
        pa_simple_flush(stream, &error);
        closeStream();
    }
}

} // namespace mebo::platform
