#include "platform/camera/FfmpegCameraStream.h"

#include "platform/MonotonicClock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace mebo::platform {

namespace {

QString avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

mode_t fileMode(const QString& path) {
    struct stat st {};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? st.st_mode : 0;
}

// Only a regular file can be read again from its start; a pipe, a FIFO or a stream that ends has
// ended for good (reopening a FIFO would wait for a new writer, and a stop would wait with it).
bool replayable(const QString& path) {
    return S_ISREG(fileMode(path));
}

// How long a start waits for the first bytes of a camera pipe, and then for the stream's head:
// opening a FIFO blocks until a writer comes, and a writer may come and never write, or stall.
// MEBO_TEST_CAMERA_WAIT_MS shortens it for tests, as MEBO_TEST_NETWORK_TIMEOUT_MS does the
// network's.
int64_t pipeWaitNs() {
    bool ok = false;
    const int test = qEnvironmentVariableIntValue("MEBO_TEST_CAMERA_WAIT_MS", &ok);
    return ok && test > 0 ? int64_t(test) * 1'000'000 : 5'000'000'000;
}

} // namespace

int FfmpegCameraStream::interruptCallback(void* opaque) {
    const auto* self = static_cast<const FfmpegCameraStream*>(opaque);
    const bool late = self->openDeadlineNs_ > 0 && monotonicNowNs() > self->openDeadlineNs_;
    return self->stopping_.load() || late ? 1 : 0;
}

FfmpegCameraStream::FfmpegCameraStream(Source source, std::function<void(const CameraFrame&)> onFrame,
                                       std::function<void(const QString&)> onError)
    : source_(std::move(source)), onFrame_(std::move(onFrame)), onError_(std::move(onError)) {}

FfmpegCameraStream::~FfmpegCameraStream() {
    stop();
    closeInput();
    av_packet_free(&pkt_);
    av_frame_free(&frame_);
    sws_freeContext(sws_);
}

Result<std::unique_ptr<CameraStream>>
FfmpegCameraStream::start(const Source& source, const QString& threadName,
                          std::function<void(const CameraFrame&)> onFrame,
                          std::function<void(const QString&)> onError) {
    std::unique_ptr<FfmpegCameraStream> s(
        new FfmpegCameraStream(source, std::move(onFrame), std::move(onError)));
    s->pkt_ = av_packet_alloc();
    s->frame_ = av_frame_alloc();
    QString error;
    if (!s->pkt_ || !s->frame_ || !s->openInput(&error)) {
        return Result<std::unique_ptr<CameraStream>>::fail(error.isEmpty() ? QStringLiteral("out of memory")
                                                                           : error);
    }
    s->originNs_ = monotonicNowNs();
    s->thread_ = std::thread([raw = s.get(), threadName] { raw->run(threadName); });
    return Result<std::unique_ptr<CameraStream>>::ok(std::move(s));
}

bool FfmpegCameraStream::openInput(QString* error) {
    fmt_ = avformat_alloc_context();
    if (!fmt_) {
        *error = QStringLiteral("out of memory");
        return false;
    }
    fmt_->interrupt_callback.callback = interruptCallback;
    fmt_->interrupt_callback.opaque = this;
    QByteArray url = source_.url.toLocal8Bit();
    bool opened = true;
    if (!source_.device && S_ISFIFO(fileMode(source_.url))) {
        openDeadlineNs_ = monotonicNowNs() + pipeWaitNs();
        opened = openPipe(error);
        url = "pipe:" + QByteArray::number(pipeFd_);
        if (opened) {
            openDeadlineNs_ = monotonicNowNs() + pipeWaitNs(); // as long again for the stream's head
        }
    }
    opened = opened && openStreams(url, error);
    if (!opened && openDeadlineNs_ > 0 && monotonicNowNs() > openDeadlineNs_) {
        *error =
            QStringLiteral("%1: no picture within %2 s").arg(source_.url).arg(double(pipeWaitNs()) / 1e9);
    }
    openDeadlineNs_ = 0;
    return opened;
}

bool FfmpegCameraStream::openPipe(QString* error) {
    // Non-blocking: the open returns at once with or without a writer, and a writer that stalls
    // later cannot hold a read, so a stop is never kept waiting.
    pipeFd_ = ::open(source_.url.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (pipeFd_ < 0) {
        *error = QStringLiteral("%1: %2").arg(source_.url, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    pollfd p{pipeFd_, POLLIN, 0};
    for (;;) {
        const int64_t left = openDeadlineNs_ - monotonicNowNs();
        if (left <= 0) {
            return false; // nothing written in time
        }
        const int r = ::poll(&p, 1, int(left / 1'000'000) + 1);
        if (r < 0 && errno != EINTR) {
            *error = QStringLiteral("%1: %2").arg(source_.url, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        if (r > 0 && (p.revents & POLLIN)) {
            return true;
        }
        if (r > 0) { // a writer came and went without a byte
            *error = QStringLiteral("%1: the picture ended").arg(source_.url);
            return false;
        }
    }
}

bool FfmpegCameraStream::openStreams(const QByteArray& url, QString* error) {
    const AVInputFormat* format = nullptr;
    AVDictionary* options = nullptr;
    if (source_.device) {
        format = av_find_input_format("v4l2");
        if (!format) {
            *error = QStringLiteral("no V4L2 input in this FFmpeg");
            return false;
        }
        // A medium-quality picture at the camera's usual rate; the device adapts what it cannot do.
        av_dict_set(&options, "video_size", "1280x720", 0);
        av_dict_set(&options, "framerate", "30", 0);
    }
    int r = avformat_open_input(&fmt_, url.constData(), format, &options);
    av_dict_free(&options);
    if (r < 0 && source_.device) {
        // The device refused the size or rate: take its defaults.
        fmt_ = avformat_alloc_context();
        fmt_->interrupt_callback.callback = interruptCallback;
        fmt_->interrupt_callback.opaque = this;
        r = avformat_open_input(&fmt_, url.constData(), format, nullptr);
    }
    if (r < 0) {
        *error = QStringLiteral("%1: %2").arg(source_.url, avError(r));
        return false;
    }
    if ((r = avformat_find_stream_info(fmt_, nullptr)) < 0) {
        *error = QStringLiteral("%1: %2").arg(source_.url, avError(r));
        return false;
    }
    stream_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream_ < 0) {
        *error = QStringLiteral("%1: no video").arg(source_.url);
        return false;
    }
    const AVStream* st = fmt_->streams[stream_];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    dec_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!dec_ || avcodec_parameters_to_context(dec_, st->codecpar) < 0) {
        *error = QStringLiteral("%1: no decoder for its video").arg(source_.url);
        return false;
    }
    dec_->thread_count = 2;
    if ((r = avcodec_open2(dec_, codec, nullptr)) < 0) {
        *error = QStringLiteral("%1: %2").arg(source_.url, avError(r));
        return false;
    }
    timeBase_ = av_q2d(st->time_base);
    const AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) {
        frameIntervalNs_ = std::clamp<int64_t>(int64_t(1e9 * rate.den / rate.num), 1'000'000, 1'000'000'000);
    }
    return true;
}

void FfmpegCameraStream::closeInput() {
    avcodec_free_context(&dec_);
    avformat_close_input(&fmt_);
    stream_ = -1;
    if (pipeFd_ >= 0) { // the pipe protocol leaves its descriptor to its owner
        ::close(pipeFd_);
        pipeFd_ = -1;
    }
}

void FfmpegCameraStream::stop() {
    stopping_ = true;
    { std::lock_guard lock(waitLock_); }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool FfmpegCameraStream::waitUntil(int64_t monotonicNs) {
    std::unique_lock lock(waitLock_);
    while (!stopping_) {
        const int64_t now = monotonicNowNs();
        if (now >= monotonicNs) {
            return true;
        }
        wake_.wait_for(lock, std::chrono::nanoseconds(monotonicNs - now));
    }
    return false;
}

void FfmpegCameraStream::run(const QString& threadName) {
    pthread_setname_np(pthread_self(), threadName.left(15).toUtf8().constData());
    QString error;
    while (!stopping_) {
        int r = av_read_frame(fmt_, pkt_);
        if (r == AVERROR_EOF && !source_.device) {
            // Drain the decoder, then play the file again from its start (opened afresh, so a file
            // that is gone ends the camera as an unplugged one would).
            avcodec_send_packet(dec_, nullptr);
            while (handleFrame(&error)) {
            }
            if (!error.isEmpty() || stopping_) {
                break;
            }
            if (!replayable(source_.url)) {
                error = QStringLiteral("%1: the picture ended").arg(source_.url);
                break;
            }
            loopOffsetNs_ = lastFileTimeNs_ + frameIntervalNs_;
            closeInput();
            if (!openInput(&error)) {
                break;
            }
            continue;
        }
        if (r == AVERROR(EAGAIN)) {
            waitUntil(monotonicNowNs() + 2'000'000);
            continue;
        }
        if (r < 0) {
            if (!stopping_) {
                error = QStringLiteral("%1: %2").arg(source_.url, avError(r));
            }
            break;
        }
        if (pkt_->stream_index == stream_) {
            r = avcodec_send_packet(dec_, pkt_);
            av_packet_unref(pkt_);
            if (r < 0 && r != AVERROR(EAGAIN) && r != AVERROR_INVALIDDATA) {
                error = QStringLiteral("%1: %2").arg(source_.url, avError(r));
                break;
            }
            while (handleFrame(&error)) {
            }
            if (!error.isEmpty()) {
                break;
            }
        } else {
            av_packet_unref(pkt_);
        }
    }
    if (!error.isEmpty() && !stopping_ && onError_) {
        onError_(error);
    }
}

bool FfmpegCameraStream::handleFrame(QString* error) {
    const int r = avcodec_receive_frame(dec_, frame_);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) {
        return false;
    }
    if (r < 0) {
        *error = QStringLiteral("%1: %2").arg(source_.url, avError(r));
        return false;
    }
    const int64_t ts =
        frame_->best_effort_timestamp != AV_NOPTS_VALUE ? frame_->best_effort_timestamp : frame_->pts;
    int64_t ptsNs = monotonicNowNs();
    if (source_.device) {
        // The driver stamps pictures on the monotonic clock; trust it when it is plausible.
        if (ts != AV_NOPTS_VALUE) {
            const auto stamped = int64_t(double(ts) * timeBase_ * 1e9);
            if (std::llabs(stamped - ptsNs) < 5'000'000'000LL) {
                ptsNs = std::min(stamped, ptsNs);
            }
        }
    } else {
        const int64_t fileNs = ts != AV_NOPTS_VALUE ? int64_t(double(ts) * timeBase_ * 1e9) : lastFileTimeNs_;
        lastFileTimeNs_ = std::max<int64_t>(0, fileNs);
        const int64_t due = originNs_ + loopOffsetNs_ + lastFileTimeNs_;
        if (!waitUntil(due)) {
            av_frame_unref(frame_);
            return false;
        }
        ptsNs = due; // the picture belongs to its due time
    }
    const int64_t now = monotonicNowNs();
    // A late picture is dropped for the next, which is due already; but one goes out every few
    // intervals whatever: on a busy machine every picture can be late, and none would be shown.
    if (now - ptsNs > frameIntervalNs_ + frameIntervalNs_ / 2 && now - lastShownNs_ < 4 * frameIntervalNs_) {
        av_frame_unref(frame_);
        return !stopping_;
    }
    lastShownNs_ = now;
    const int w = frame_->width;
    const int h = frame_->height;
    sws_ = sws_getCachedContext(sws_, w, h, AVPixelFormat(frame_->format), w, h, AV_PIX_FMT_BGRA,
                                SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws_ || w <= 0 || h <= 0) {
        av_frame_unref(frame_);
        *error = QStringLiteral("%1: unsupported picture format").arg(source_.url);
        return false;
    }
    CameraFrame out;
    out.image = QImage(w, h, QImage::Format_RGB32);
    uint8_t* dst[4] = {out.image.bits(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {int(out.image.bytesPerLine()), 0, 0, 0};
    sws_scale(sws_, frame_->data, frame_->linesize, 0, h, dst, dstStride);
    av_frame_unref(frame_);
    out.ptsNs = ptsNs;
    onFrame_(out);
    return !stopping_;
}

} // namespace mebo::platform
