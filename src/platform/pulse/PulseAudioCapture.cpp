#include "platform/pulse/PulseAudioCapture.h"

#include "platform/MonotonicClock.h"

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <pulse/pulseaudio.h>
#include <thread>
#include <vector>

namespace mebo::platform {

namespace {

// A threaded main loop with a connected context; everything on it runs under its lock.
// libpulse's lock is taken inside libpulse, which the thread checker does not see, so every
// section under it (ours through lock()/unlock(), the loop's callbacks through Section) also
// passes an acquire-release step on `order_`. The lock already orders the sections; the step says
// so in a way the checker follows, and costs one uncontended atomic per section. Callbacks get the
// connection itself and reach their object through target() once their section has begun, so
// nothing of ours is read before the step.
class PulseConnection {
public:
    explicit PulseConnection(const char* threadName) {
        loop_ = pa_threaded_mainloop_new();
        if (threadName) {
            pa_threaded_mainloop_set_name(loop_, threadName);
        }
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
        context_ = pa_context_new(api, "Mebo");
    }
    ~PulseConnection() {
        if (running_) {
            pa_threaded_mainloop_stop(loop_);
        }
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        pa_threaded_mainloop_free(loop_);
    }

    // Connects and waits (at most `timeoutMs`) for the context to be ready.
    bool connect(int timeoutMs, QString* error) {
        pa_context_set_state_callback(
            context_,
            [](pa_context*, void* loop) {
                pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
            },
            loop_);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            *error = QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
            return false;
        }
        if (pa_threaded_mainloop_start(loop_) < 0) {
            *error = QStringLiteral("cannot start the PulseAudio thread");
            return false;
        }
        running_ = true;
        const bool ready = waitLocked(timeoutMs, [this] {
            const auto s = pa_context_get_state(context_);
            return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
        });
        lock();
        const auto state = pa_context_get_state(context_);
        unlock();
        if (!ready || state != PA_CONTEXT_READY) {
            *error = state == PA_CONTEXT_READY || PA_CONTEXT_IS_GOOD(state)
                         ? QStringLiteral("the sound server did not answer")
                         : QStringLiteral("cannot connect to the sound server: ") +
                               QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
            return false;
        }
        return true;
    }

    // Waits under the lock until `done` holds or the time is up; answers `done`.
    template <class F> bool waitLocked(int timeoutMs, F done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        lock();
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                unlock();
                return false;
            }
            // Woken by every callback that signals, and by a short poll for the deadline.
            unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            lock();
        }
        unlock();
        return true;
    }

    void lock() {
        pa_threaded_mainloop_lock(loop_);
        step();
    }
    void unlock() {
        step();
        pa_threaded_mainloop_unlock(loop_);
    }
    // Under the lock: the object the callbacks work on.
    void setTarget(void* target) { target_ = target; }
    template <class T> T* target() const { return static_cast<T*>(target_); }
    // Marks a callback of the loop's thread (which holds the lock while it runs) as a section.
    class Section {
    public:
        explicit Section(PulseConnection& conn) : conn_(conn) { conn_.step(); }
        ~Section() { conn_.step(); }
        Section(const Section&) = delete;
        Section& operator=(const Section&) = delete;

    private:
        PulseConnection& conn_;
    };
    pa_context* context() const { return context_; }
    pa_threaded_mainloop* loop() const { return loop_; }
    void stopLoop() {
        if (running_) {
            pa_threaded_mainloop_stop(loop_);
            running_ = false;
        }
    }

private:
    void step() { order_.fetch_add(1, std::memory_order_acq_rel); }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool running_ = false;
    void* target_ = nullptr;
    std::atomic<unsigned> order_{0};
};

struct ServerNames {
    QString defaultSink;
    QString defaultSource;
    QString monitorOfDefaultSink;
};

class PulseStream : public AudioCaptureStream {
public:
    PulseStream(std::unique_ptr<PulseConnection> conn, std::function<void(const AudioBuffer&)> onBuffer)
        : conn_(std::move(conn)), onBuffer_(std::move(onBuffer)) {}
    ~PulseStream() override { stop(); }

    bool connect(const QString& source, int timeoutMs, QString* error) {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, AudioCapture::sampleRate, AudioCapture::channels};
        conn_->lock();
        stream_ = pa_stream_new(conn_->context(), "Mebo recording", &spec, nullptr);
        if (!stream_) {
            *error = QString::fromUtf8(pa_strerror(pa_context_errno(conn_->context())));
            conn_->unlock();
            return false;
        }
        pa_stream_set_state_callback(
            stream_,
            [](pa_stream*, void* loop) {
                pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
            },
            conn_->loop());
        conn_->setTarget(this);
        pa_stream_set_read_callback(
            stream_,
            [](pa_stream*, size_t, void* c) {
                auto& conn = *static_cast<PulseConnection*>(c);
                const PulseConnection::Section section(conn);
                conn.target<PulseStream>()->read();
            },
            conn_.get());
        // About 10 ms a buffer: small enough for one-frame sync at 60 fps.
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = uint32_t(AudioCapture::sampleRate / 100 * AudioCapture::channels * sizeof(float));
        const QByteArray name = source.toUtf8();
        const int rc = pa_stream_connect_record(
            stream_, name.constData(), &attr,
            pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE |
                              PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_DONT_MOVE));
        conn_->unlock();
        if (rc < 0) {
            *error = QString::fromUtf8(pa_strerror(pa_context_errno(conn_->context())));
            return false;
        }
        const bool settled = conn_->waitLocked(timeoutMs, [this] {
            const auto s = pa_stream_get_state(stream_);
            return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
        });
        conn_->lock();
        const bool ready = pa_stream_get_state(stream_) == PA_STREAM_READY;
        if (!ready) {
            *error =
                settled ? QStringLiteral("the source '%1' cannot be recorded: %2")
                              .arg(source, QString::fromUtf8(pa_strerror(pa_context_errno(conn_->context()))))
                        : QStringLiteral("the sound server did not open the source '%1'").arg(source);
        }
        conn_->unlock();
        return ready;
    }

    void stop() override {
        if (stopped_.exchange(true)) {
            return;
        }
        conn_->lock();
        if (stream_) {
            pa_stream_set_read_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        conn_->unlock();
        // Joins the loop's thread: no callback runs after this.
        conn_->stopLoop();
    }

private:
    // On the loop's thread, under its lock.
    void read() {
        const int64_t now = monotonicNowNs();
        pa_usec_t latency = 0;
        int negative = 0;
        if (pa_stream_get_latency(stream_, &latency, &negative) < 0 || negative) {
            latency = 0;
        }
        // The oldest unread frame was captured `latency` ago; each buffer follows the one before.
        int64_t pts = now - int64_t(latency) * 1000;
        for (;;) {
            const void* data = nullptr;
            size_t bytes = 0;
            if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) {
                return;
            }
            const int frames = int(bytes / (sizeof(float) * AudioCapture::channels));
            if (data) {
                onBuffer_({static_cast<const float*>(data), frames, pts});
            } else {
                // A hole in the stream: silence of that length.
                silence_.assign(size_t(frames) * AudioCapture::channels, 0.0f);
                onBuffer_({silence_.data(), frames, pts});
            }
            pts += int64_t(frames) * 1'000'000'000LL / AudioCapture::sampleRate;
            pa_stream_drop(stream_);
        }
    }

    std::unique_ptr<PulseConnection> conn_;
    std::function<void(const AudioBuffer&)> onBuffer_;
    pa_stream* stream_ = nullptr;
    std::atomic<bool> stopped_{false};
    std::vector<float> silence_;
};

Result<ServerNames> serverNames(int timeoutMs) {
    PulseConnection conn(nullptr);
    QString error;
    if (!conn.connect(timeoutMs, &error)) {
        return Result<ServerNames>::fail(error);
    }
    // The answers are written on the loop's thread and read here once a flag says so.
    struct Query {
        ServerNames names;
        std::atomic<bool> serverDone{false};
        std::atomic<bool> sinkDone{false};
    } query;
    ServerNames& names = query.names;
    conn.lock();
    conn.setTarget(&query);
    pa_operation_unref(pa_context_get_server_info(
        conn.context(),
        [](pa_context*, const pa_server_info* info, void* c) {
            auto& conn = *static_cast<PulseConnection*>(c);
            const PulseConnection::Section section(conn);
            auto* q = conn.target<Query>();
            if (info) {
                q->names.defaultSink =
                    QString::fromUtf8(info->default_sink_name ? info->default_sink_name : "");
                q->names.defaultSource =
                    QString::fromUtf8(info->default_source_name ? info->default_source_name : "");
            }
            q->serverDone.store(true, std::memory_order_release);
        },
        &conn));
    conn.unlock();
    if (!conn.waitLocked(timeoutMs, [&] { return query.serverDone.load(std::memory_order_acquire); })) {
        // A late answer would write into `query` once it is gone: stop the loop first.
        conn.stopLoop();
        return Result<ServerNames>::fail(QStringLiteral("the sound server did not answer"));
    }
    if (!names.defaultSink.isEmpty()) {
        conn.lock();
        const QByteArray sink = names.defaultSink.toUtf8();
        pa_operation_unref(pa_context_get_sink_info_by_name(
            conn.context(), sink.constData(),
            [](pa_context*, const pa_sink_info* info, int eol, void* c) {
                auto& conn = *static_cast<PulseConnection*>(c);
                const PulseConnection::Section section(conn);
                auto* q = conn.target<Query>();
                if (info && info->monitor_source_name) {
                    q->names.monitorOfDefaultSink = QString::fromUtf8(info->monitor_source_name);
                }
                if (eol != 0) {
                    q->sinkDone.store(true, std::memory_order_release);
                }
            },
            &conn));
        conn.unlock();
        conn.waitLocked(timeoutMs, [&] { return query.sinkDone.load(std::memory_order_acquire); });
    }
    // Called on this thread after the loop stopped: nothing touches `names` any more.
    conn.stopLoop();
    return Result<ServerNames>::ok(names);
}

} // namespace

Result<QList<AudioSourceInfo>> PulseAudioCapture::sources() {
    PulseConnection conn(nullptr);
    QString error;
    if (!conn.connect(timeoutMs_, &error)) {
        return Result<QList<AudioSourceInfo>>::fail(error);
    }
    struct Listing {
        QList<AudioSourceInfo> list;
        std::atomic<bool> done{false};
    } listing;
    conn.lock();
    conn.setTarget(&listing);
    pa_operation_unref(pa_context_get_source_info_list(
        conn.context(),
        [](pa_context*, const pa_source_info* info, int eol, void* c) {
            auto& conn = *static_cast<PulseConnection*>(c);
            const PulseConnection::Section section(conn);
            auto* l = conn.target<Listing>();
            if (info) {
                l->list.append({QString::fromUtf8(info->name), QString::fromUtf8(info->description),
                                info->monitor_of_sink != PA_INVALID_INDEX});
            }
            if (eol != 0) {
                l->done.store(true, std::memory_order_release);
            }
        },
        &conn));
    conn.unlock();
    const bool done =
        conn.waitLocked(timeoutMs_, [&] { return listing.done.load(std::memory_order_acquire); });
    conn.stopLoop();
    if (!done) {
        return Result<QList<AudioSourceInfo>>::fail(
            QStringLiteral("the sound server did not list its sources"));
    }
    return Result<QList<AudioSourceInfo>>::ok(listing.list);
}

Result<QString> PulseAudioCapture::systemAudioSource() {
    // Resolved by name: "@DEFAULT_MONITOR@" is not honoured by every pulse server.
    auto names = serverNames(timeoutMs_);
    if (!names) {
        return Result<QString>::fail(names.error());
    }
    if (names->monitorOfDefaultSink.isEmpty()) {
        return Result<QString>::fail(QStringLiteral("the sound server has no default output to record"));
    }
    return Result<QString>::ok(names->monitorOfDefaultSink);
}

Result<QString> PulseAudioCapture::defaultInputSource() {
    auto names = serverNames(timeoutMs_);
    if (!names) {
        return Result<QString>::fail(names.error());
    }
    if (names->defaultSource.isEmpty()) {
        return Result<QString>::fail(QStringLiteral("the sound server has no default input"));
    }
    return Result<QString>::ok(names->defaultSource);
}

Result<std::unique_ptr<AudioCaptureStream>>
PulseAudioCapture::open(const QString& source, const QString& threadName,
                        std::function<void(const AudioBuffer&)> onBuffer) {
    const QByteArray name = threadName.toUtf8();
    auto conn = std::make_unique<PulseConnection>(name.constData());
    QString error;
    if (!conn->connect(timeoutMs_, &error)) {
        return Result<std::unique_ptr<AudioCaptureStream>>::fail(error);
    }
    auto stream = std::make_unique<PulseStream>(std::move(conn), std::move(onBuffer));
    if (!stream->connect(source, timeoutMs_, &error)) {
        return Result<std::unique_ptr<AudioCaptureStream>>::fail(error);
    }
    return Result<std::unique_ptr<AudioCaptureStream>>::ok(std::move(stream));
}

} // namespace mebo::platform
