#include "platform/ffmpeg/FfmpegMediaWriter.h"

#include "platform/ffmpeg/FfmpegError.h"

#include <QFile>
#include <algorithm>
#include <libyuv/convert_from_argb.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

namespace mebo::platform {

namespace {

constexpr int kAudioRate = 48000;
constexpr AVRational kNanos{1, 1'000'000'000};
// Audio buffers whose stamp is this far from where the track has got to are re-aligned (silence
// or a cut); smaller differences are clock jitter and the track just continues.
constexpr int64_t kAudioSlackSamples = kAudioRate / 50;
// The longest silence filled in at once (a stalled source); longer gaps are kept short.
constexpr int64_t kMaxAudioGapSamples = kAudioRate * 10;

} // namespace

struct FfmpegMediaWriter::AudioTrack {
    std::mutex lock; // one producer thread, and finish()
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::vector<float> left, right; // not yet encoded
    int64_t nextSample = 0;         // where the track has got to (samples since the session start)
    int64_t encodedSamples = 0;
    bool started = false;
    bool failed = false;

    ~AudioTrack() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
    }
};

FfmpegMediaWriter::FfmpegMediaWriter() = default;

FfmpegMediaWriter::~FfmpegMediaWriter() {
    if (status_.load() == Status::writing) {
        cancel();
    }
    release();
}

const char* FfmpegMediaWriter::x264PresetFor(int width, int height, int fps) {
    const double pixelsPerSecond = double(width) * height * std::max(fps, 1);
    if (pixelsPerSecond <= 1920.0 * 1088 * 30) {
        return "veryfast";
    }
    if (pixelsPerSecond <= 2560.0 * 1440 * 30) {
        return "superfast";
    }
    return "ultrafast";
}

QString FfmpegMediaWriter::errorText() const {
    std::lock_guard lock(errorLock_);
    return error_;
}

void FfmpegMediaWriter::fail(const QString& text) {
    {
        std::lock_guard lock(errorLock_);
        if (error_.isEmpty()) {
            error_ = text;
        }
    }
    Status expected = Status::writing;
    status_.compare_exchange_strong(expected, Status::failed);
}

bool FfmpegMediaWriter::open(const MediaWriterConfig& config, OpenError* error) {
    config_ = config;
    const auto failOpen = [&](OpenError::Kind kind, const QString& text, int track = -1) {
        if (error) {
            *error = {kind, track, text};
        }
        release();
        QFile::remove(config_.path);
        status_ = Status::failed;
        return false;
    };
    if (config.width <= 0 || config.height <= 0 || config.width % 2 || config.height % 2) {
        return failOpen(OpenError::Kind::videoInput,
                        QStringLiteral("bad video size %1x%2").arg(config.width).arg(config.height));
    }
    const QByteArray path = QFile::encodeName(config.path);
    int rc = avformat_alloc_output_context2(&oc_, nullptr, "mp4", path.constData());
    if (rc < 0 || !oc_) {
        return failOpen(OpenError::Kind::start, ffmpegErrorText(rc));
    }
    OpenError stepError;
    if (!openVideo(&stepError)) {
        return failOpen(stepError.kind, stepError.text);
    }
    for (int i = 0; i < config.audioTracks.size(); ++i) {
        if (!openAudio(i, config.audioTracks[i], &stepError)) {
            return failOpen(stepError.kind, stepError.text, i);
        }
    }
    rc = avio_open(&oc_->pb, path.constData(), AVIO_FLAG_WRITE);
    if (rc < 0) {
        return failOpen(OpenError::Kind::start, ffmpegErrorText(rc));
    }
    AVDictionary* opts = nullptr;
    if (config.crashSafe) {
        // A fragment (moof + mdat) every half second, each complete on disk once cut: a killed
        // process leaves a file that plays to its last fragment.
        av_dict_set(&opts, "movflags", "+empty_moov+default_base_moof+frag_keyframe", 0);
        av_dict_set(&opts, "frag_duration", "500000", 0);
    } else {
        av_dict_set(&opts, "movflags", "+faststart", 0);
    }
    oc_->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    // The first packet written (always video, see writePacket) starts at zero; every track is
    // shifted alike.
    oc_->avoid_negative_ts = AVFMT_AVOID_NEG_TS_MAKE_ZERO;
    rc = avformat_write_header(oc_, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        return failOpen(OpenError::Kind::start, ffmpegErrorText(rc));
    }
    headerWritten_ = true;
    status_ = Status::writing;
    return true;
}

bool FfmpegMediaWriter::openVideo(OpenError* error) {
    const char* name = config_.hevc ? "libx265" : "libx264";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) {
        *error = {OpenError::Kind::videoInput, -1, QStringLiteral("no %1 encoder").arg(QLatin1String(name))};
        return false;
    }
    video_ = avcodec_alloc_context3(codec);
    video_->width = config_.width;
    video_->height = config_.height;
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    // Frames carry their own capture times: a fine time base keeps them as they are.
    video_->time_base = {1, 90000};
    video_->framerate = {std::max(config_.fps, 1), 1};
    video_->bit_rate = config_.bitrate;
    video_->gop_size = config_.keyframeInterval;
    // No B-frames: frames keep their capture times as decode times (with variable frame spacing
    // a reorder delay is the gap of the first frames, up to a second), and the encoder holds
    // fewer frames back, which a crash would lose.
    video_->max_b_frames = 0;
    // libyuv's conversion is BT.601 with limited range; say so, so players convert back alike.
    video_->colorspace = AVCOL_SPC_SMPTE170M;
    video_->color_primaries = AVCOL_PRI_SMPTE170M;
    video_->color_trc = AVCOL_TRC_SMPTE170M;
    video_->color_range = AVCOL_RANGE_MPEG;
    if (oc_->oformat->flags & AVFMT_GLOBALHEADER) {
        video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    const char* preset = x264PresetFor(config_.width, config_.height, config_.fps);
    // A live recording: no look-ahead and no frame threads, every frame leaves the encoder at once.
    // A still screen sends a frame a second, so a look-ahead of a few frames would hold seconds of
    // recording in memory, out of a crash's reach; slices keep both cores busy instead. A file
    // made from a file (an export) keeps the look-ahead: better pictures at the same bit rate.
    if (config_.crashSafe) {
        av_opt_set(video_->priv_data, "tune", "zerolatency", 0);
    }
    if (config_.hevc) {
        av_opt_set(video_->priv_data, "preset", preset, 0);
        av_opt_set(video_->priv_data, "x265-params", "log-level=error", 0);
    } else {
        av_opt_set(video_->priv_data, "profile", "high", 0);
        av_opt_set(video_->priv_data, "preset", preset, 0);
        if (config_.crashSafe) {
            // zerolatency also forces constant-rate timestamps; frames keep their capture times.
            av_opt_set(video_->priv_data, "x264-params", "force-cfr=0", 0);
        }
    }
    const int rc = avcodec_open2(video_, codec, nullptr);
    if (rc < 0) {
        *error = {OpenError::Kind::videoInput, -1, ffmpegErrorText(rc)};
        return false;
    }
    videoStream_ = avformat_new_stream(oc_, nullptr);
    avcodec_parameters_from_context(videoStream_->codecpar, video_);
    videoStream_->time_base = video_->time_base;
    if (config_.hevc) {
        videoStream_->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');
    }
    videoFrame_ = av_frame_alloc();
    videoFrame_->format = AV_PIX_FMT_YUV420P;
    videoFrame_->width = config_.width;
    videoFrame_->height = config_.height;
    if (av_frame_get_buffer(videoFrame_, 32) < 0) {
        *error = {OpenError::Kind::videoInput, -1, QStringLiteral("out of memory")};
        return false;
    }
    videoPacket_ = av_packet_alloc();
    return true;
}

bool FfmpegMediaWriter::openAudio(int index, const QString& name, OpenError* error) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec) {
        *error = {OpenError::Kind::audioInput, index, QStringLiteral("no AAC encoder")};
        return false;
    }
    auto t = std::make_unique<AudioTrack>();
    t->codec = avcodec_alloc_context3(codec);
    t->codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    t->codec->sample_rate = kAudioRate;
    t->codec->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
    t->codec->bit_rate = 192000;
    t->codec->time_base = {1, kAudioRate};
    if (oc_->oformat->flags & AVFMT_GLOBALHEADER) {
        t->codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    const int rc = avcodec_open2(t->codec, codec, nullptr);
    if (rc < 0) {
        *error = {OpenError::Kind::audioInput, index, ffmpegErrorText(rc)};
        return false;
    }
    t->stream = avformat_new_stream(oc_, nullptr);
    avcodec_parameters_from_context(t->stream->codecpar, t->codec);
    t->stream->time_base = t->codec->time_base;
    t->stream->disposition = index == 0 ? AV_DISPOSITION_DEFAULT : 0;
    av_dict_set(&t->stream->metadata, "handler_name", name.toUtf8().constData(), 0);
    t->frame = av_frame_alloc();
    t->frame->format = AV_SAMPLE_FMT_FLTP;
    t->frame->sample_rate = kAudioRate;
    av_channel_layout_copy(&t->frame->ch_layout, &t->codec->ch_layout);
    t->frame->nb_samples = t->codec->frame_size > 0 ? t->codec->frame_size : 1024;
    if (av_frame_get_buffer(t->frame, 0) < 0) {
        *error = {OpenError::Kind::audioInput, index, QStringLiteral("out of memory")};
        return false;
    }
    t->packet = av_packet_alloc();
    audio_.push_back(std::move(t));
    return true;
}

void FfmpegMediaWriter::startSession(int64_t ptsNs) {
    sessionStartNs_ = ptsNs;
    sessionStarted_ = true;
}

bool FfmpegMediaWriter::appendVideo(const QImage& frame, int64_t ptsNs, QString* error) {
    if (status_.load() != Status::writing || !sessionStarted_.load()) {
        if (error) {
            *error = QStringLiteral("writer not writing");
        }
        return false;
    }
    if (frame.width() != config_.width || frame.height() != config_.height ||
        (frame.format() != QImage::Format_RGB32 && frame.format() != QImage::Format_ARGB32 &&
         frame.format() != QImage::Format_ARGB32_Premultiplied)) {
        if (error) {
            *error = QStringLiteral("frame %1x%2 does not match the video size")
                         .arg(frame.width())
                         .arg(frame.height());
        }
        return false;
    }
    // The encoder may still hold the previous picture.
    if (av_frame_make_writable(videoFrame_) < 0) {
        if (error) {
            *error = QStringLiteral("out of memory");
        }
        return false;
    }
    libyuv::ARGBToI420(frame.constBits(), int(frame.bytesPerLine()), videoFrame_->data[0],
                       videoFrame_->linesize[0], videoFrame_->data[1], videoFrame_->linesize[1],
                       videoFrame_->data[2], videoFrame_->linesize[2], config_.width, config_.height);
    int64_t pts = av_rescale_q(ptsNs - sessionStartNs_.load(), kNanos, video_->time_base);
    if (pts <= lastVideoPts_) {
        pts = lastVideoPts_ + 1;
    }
    lastVideoPts_ = pts;
    videoFrame_->pts = pts;
    const int rc = avcodec_send_frame(video_, videoFrame_);
    if (rc < 0) {
        const QString text = ffmpegErrorText(rc);
        fail(text);
        if (error) {
            *error = text;
        }
        return false;
    }
    return drainVideo(false, error);
}

bool FfmpegMediaWriter::drainVideo(bool flushing, QString* error) {
    for (;;) {
        const int rc = avcodec_receive_packet(video_, videoPacket_);
        if (rc == AVERROR(EAGAIN) || (flushing && rc == AVERROR_EOF)) {
            return true;
        }
        if (rc < 0) {
            const QString text = ffmpegErrorText(rc);
            fail(text);
            if (error) {
                *error = text;
            }
            return false;
        }
        if (videoPacket_->duration <= 0) {
            videoPacket_->duration =
                video_->time_base.den / (video_->time_base.num * std::max(config_.fps, 1));
        }
        if (!writePacket(videoPacket_, video_, videoStream_, error)) {
            return false;
        }
    }
}

bool FfmpegMediaWriter::writePacket(AVPacket* pkt, AVCodecContext* codec, AVStream* stream, QString* error) {
    std::lock_guard lock(muxLock_);
    av_packet_rescale_ts(pkt, codec->time_base, stream->time_base);
    pkt->stream_index = stream->index;
    if (stream != videoStream_ && !videoWritten_) {
        heldAudio_.push_back(av_packet_clone(pkt));
        av_packet_unref(pkt);
        return true;
    }
    if (!writeLocked(pkt, error)) {
        return false;
    }
    if (stream == videoStream_ && !videoWritten_) {
        videoWritten_ = true;
        for (AVPacket* held : heldAudio_) {
            const bool ok = writeLocked(held, error);
            av_packet_free(&held);
            if (!ok) {
                return false;
            }
        }
        heldAudio_.clear();
    }
    return true;
}

bool FfmpegMediaWriter::writeLocked(AVPacket* pkt, QString* error) {
    const int rc = av_write_frame(oc_, pkt);
    av_packet_unref(pkt);
    if (rc < 0) {
        const QString text = ffmpegErrorText(rc);
        fail(text);
        if (error) {
            *error = text;
        }
        return false;
    }
    return true;
}

bool FfmpegMediaWriter::appendAudio(int track, const float* interleaved, int frames, int64_t ptsNs,
                                    QString* error) {
    if (track < 0 || track >= int(audio_.size()) || status_.load() != Status::writing ||
        !sessionStarted_.load()) {
        if (error) {
            *error = QStringLiteral("writer not writing");
        }
        return false;
    }
    AudioTrack& t = *audio_[size_t(track)];
    std::lock_guard lock(t.lock);
    const int64_t at = av_rescale_q(ptsNs - sessionStartNs_.load(), kNanos, {1, kAudioRate});
    if (!t.started) {
        t.started = true;
        t.nextSample = 0;
    }
    int skip = 0;
    const int64_t gap = at - t.nextSample;
    if (gap > kAudioSlackSamples) {
        // Silence up to where this buffer belongs (the track starts later than the video, or
        // the source stalled).
        const int64_t fill = std::min(gap, kMaxAudioGapSamples);
        t.left.insert(t.left.end(), size_t(fill), 0.0f);
        t.right.insert(t.right.end(), size_t(fill), 0.0f);
        t.nextSample += fill;
    } else if (gap < -kAudioSlackSamples) {
        skip = int(std::min<int64_t>(-gap, frames));
    }
    for (int i = skip; i < frames; ++i) {
        t.left.push_back(interleaved[2 * i]);
        t.right.push_back(interleaved[2 * i + 1]);
    }
    t.nextSample += frames - skip;
    return encodeAudioFrames(t, false, error);
}

bool FfmpegMediaWriter::encodeAudioFrames(AudioTrack& t, bool flushing, QString* error) {
    const size_t frameSize = size_t(t.frame->nb_samples);
    size_t done = 0;
    bool ok = true;
    while (ok && (t.left.size() - done >= frameSize || (flushing && t.left.size() > done))) {
        const size_t n = std::min(frameSize, t.left.size() - done);
        if (av_frame_make_writable(t.frame) < 0) {
            ok = false;
            break;
        }
        auto* l = reinterpret_cast<float*>(t.frame->data[0]);
        auto* r = reinterpret_cast<float*>(t.frame->data[1]);
        std::copy_n(t.left.begin() + ptrdiff_t(done), n, l);
        std::copy_n(t.right.begin() + ptrdiff_t(done), n, r);
        // A last, short frame is padded with silence.
        std::fill(l + n, l + frameSize, 0.0f);
        std::fill(r + n, r + frameSize, 0.0f);
        t.frame->pts = t.encodedSamples;
        t.encodedSamples += int64_t(frameSize);
        done += n;
        int rc = avcodec_send_frame(t.codec, t.frame);
        while (rc >= 0) {
            rc = avcodec_receive_packet(t.codec, t.packet);
            if (rc == AVERROR(EAGAIN)) {
                break;
            }
            if (rc < 0) {
                ok = false;
                fail(ffmpegErrorText(rc));
                break;
            }
            ok = writePacket(t.packet, t.codec, t.stream, error);
            if (!ok) {
                break;
            }
        }
    }
    t.left.erase(t.left.begin(), t.left.begin() + ptrdiff_t(done));
    t.right.erase(t.right.begin(), t.right.begin() + ptrdiff_t(done));
    if (!ok && error && error->isEmpty()) {
        *error = errorText();
    }
    return ok;
}

bool FfmpegMediaWriter::padWithSilence(AudioTrack& t, int64_t endSample, QString* error) {
    // In pieces, so an hour of silence never sits in memory at once.
    const int64_t piece = int64_t(t.frame->nb_samples) * 64;
    t.started = true;
    while (t.nextSample < endSample) {
        const auto n = size_t(std::min(piece, endSample - t.nextSample));
        t.left.insert(t.left.end(), n, 0.0f);
        t.right.insert(t.right.end(), n, 0.0f);
        t.nextSample += int64_t(n);
        if (!encodeAudioFrames(t, false, error)) {
            return false;
        }
    }
    return true;
}

bool FfmpegMediaWriter::finish(QString* error) {
    if (status_.load() != Status::writing) {
        if (error) {
            *error = errorText().isEmpty() ? QStringLiteral("writer not writing") : errorText();
        }
        return false;
    }
    QString why;
    bool ok = avcodec_send_frame(video_, nullptr) >= 0 && drainVideo(true, &why);
    // Every track lasts as long as the picture: a source that went quiet (an idle sink's monitor
    // sends nothing) or never started is silence, not a missing or shorter track.
    const int64_t endSample =
        lastVideoPts_ < 0 ? 0
                          : av_rescale_q(lastVideoPts_ + video_->time_base.den / (video_->time_base.num *
                                                                                  std::max(config_.fps, 1)),
                                         video_->time_base, {1, kAudioRate});
    for (auto& track : audio_) {
        std::lock_guard lock(track->lock);
        // The encoder's priming and its rounded-up last frame must not carry the track past the
        // picture's end, or the file would outlast what was recorded.
        const int64_t slack = int64_t(track->codec->initial_padding) + track->frame->nb_samples;
        ok = ok && padWithSilence(*track, endSample - slack, &why);
        ok = ok && encodeAudioFrames(*track, true, &why);
        if (ok && avcodec_send_frame(track->codec, nullptr) >= 0) {
            for (;;) {
                const int rc = avcodec_receive_packet(track->codec, track->packet);
                if (rc < 0) {
                    break;
                }
                ok = ok && writePacket(track->packet, track->codec, track->stream, &why);
            }
        }
    }
    int rc = 0;
    {
        std::lock_guard lock(muxLock_);
        rc = av_write_trailer(oc_);
        headerWritten_ = false;
        avio_closep(&oc_->pb);
    }
    if (rc < 0 && ok) {
        ok = false;
        why = ffmpegErrorText(rc);
    }
    if (!ok) {
        fail(why);
        if (error) {
            *error = why;
        }
        return false;
    }
    status_ = Status::completed;
    release();
    return true;
}

void FfmpegMediaWriter::cancel() {
    {
        std::lock_guard lock(muxLock_);
        if (oc_ && oc_->pb) {
            avio_closep(&oc_->pb);
        }
        headerWritten_ = false;
    }
    status_ = Status::cancelled;
    release();
    QFile::remove(config_.path);
}

void FfmpegMediaWriter::release() {
    for (AVPacket* held : heldAudio_) {
        av_packet_free(&held);
    }
    heldAudio_.clear();
    audio_.clear();
    av_frame_free(&videoFrame_);
    av_packet_free(&videoPacket_);
    avcodec_free_context(&video_);
    if (oc_) {
        if (oc_->pb) {
            avio_closep(&oc_->pb);
        }
        avformat_free_context(oc_);
        oc_ = nullptr;
    }
    videoStream_ = nullptr;
}

} // namespace mebo::platform
