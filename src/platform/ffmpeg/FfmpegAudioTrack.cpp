#include "platform/ffmpeg/FfmpegAudioTrack.h"

#include "platform/ffmpeg/FfmpegError.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

namespace mebo::platform {

namespace {

// A piece that starts this far from where reading has got to is reached by seeking.
constexpr double kSeekAhead = 0.5;
constexpr double kSeekBehind = 0.02;
// Seeking lands this much before the wanted time, so the first decoded frame starts before it.
constexpr double kPreRoll = 0.2;

int64_t sampleAt(double seconds) {
    return std::llround(seconds * FfmpegAudioTrack::kRate);
}

} // namespace

FfmpegAudioTrack::FfmpegAudioTrack() = default;

FfmpegAudioTrack::~FfmpegAudioTrack() {
    closeStretch();
    swr_free(&swr_);
    av_frame_free(&frame_);
    av_packet_free(&pkt_);
    avcodec_free_context(&dec_);
    avformat_close_input(&fmt_);
}

QList<double> FfmpegAudioTrack::tempoChain(double speed) {
    QList<double> chain;
    if (!(speed > 0) || !std::isfinite(speed)) {
        return chain;
    }
    while (speed > 2.0) {
        chain << 2.0;
        speed /= 2.0;
    }
    while (speed < 0.5) {
        chain << 0.5;
        speed /= 0.5;
    }
    if (std::abs(speed - 1.0) > 1e-9 || chain.isEmpty()) {
        chain << speed;
    }
    return chain;
}

bool FfmpegAudioTrack::open(const QString& path, int streamIndex, const QList<CompositionPiece>& timeMap,
                            QString* error) {
    map_ = timeMap;
    const QByteArray name = QFile::encodeName(path);
    int rc = avformat_open_input(&fmt_, name.constData(), nullptr, nullptr);
    if (rc >= 0) {
        rc = avformat_find_stream_info(fmt_, nullptr);
    }
    if (rc < 0) {
        *error = ffmpegErrorText(rc);
        return false;
    }
    if (streamIndex < 0 || unsigned(streamIndex) >= fmt_->nb_streams ||
        fmt_->streams[streamIndex]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) {
        *error = QStringLiteral("stream %1 is not an audio stream").arg(streamIndex);
        return false;
    }
    stream_ = streamIndex;
    AVStream* st = fmt_->streams[stream_];
    for (unsigned i = 0; i < fmt_->nb_streams; ++i) {
        fmt_->streams[i]->discard = int(i) == stream_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) {
        *error = QStringLiteral("no decoder for audio stream %1").arg(streamIndex);
        return false;
    }
    dec_ = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec_, st->codecpar);
    rc = avcodec_open2(dec_, codec, nullptr);
    if (rc < 0) {
        *error = ffmpegErrorText(rc);
        return false;
    }
    timeBase_ = av_q2d(st->time_base);
    // Source time 0 is the first video frame, as the pictures count it.
    const int video = av_find_best_stream(fmt_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVStream* clock = video >= 0 ? fmt_->streams[video] : st;
    const double originSec =
        clock->start_time != AV_NOPTS_VALUE ? clock->start_time * av_q2d(clock->time_base) : 0;
    origin_ = int64_t(std::llround(originSec / timeBase_));
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    rc = swr_alloc_set_opts2(&swr_, &stereo, AV_SAMPLE_FMT_FLT, kRate, &dec_->ch_layout, dec_->sample_fmt,
                             dec_->sample_rate, 0, nullptr);
    if (rc >= 0) {
        rc = swr_init(swr_);
    }
    if (rc < 0) {
        *error = ffmpegErrorText(rc);
        return false;
    }
    pkt_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    return true;
}

bool FfmpegAudioTrack::decodeChunk(QString* error) {
    for (;;) {
        int rc = avcodec_receive_frame(dec_, frame_);
        if (rc == 0) {
            if (carry_.empty() && carryTime_ < 0) {
                const int64_t ts = frame_->best_effort_timestamp != AV_NOPTS_VALUE
                                       ? frame_->best_effort_timestamp
                                       : frame_->pts;
                carryTime_ = ts != AV_NOPTS_VALUE ? double(ts - origin_) * timeBase_ : 0;
            }
            const int room = swr_get_out_samples(swr_, frame_->nb_samples);
            const size_t at = carry_.size();
            carry_.resize(at + size_t(std::max(room, 0)) * 2);
            auto* outPtr = reinterpret_cast<uint8_t*>(carry_.data() + at);
            const int got = swr_convert(
                swr_, &outPtr, room, const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
            carry_.resize(at + size_t(std::max(got, 0)) * 2);
            return true;
        }
        if (rc == AVERROR_EOF || (rc == AVERROR(EAGAIN) && draining_)) {
            if (!eof_) {
                eof_ = true;
                // What the resampler still holds.
                const int room = swr_get_out_samples(swr_, 0);
                if (room > 0 && carryTime_ >= 0) {
                    const size_t at = carry_.size();
                    carry_.resize(at + size_t(room) * 2);
                    auto* outPtr = reinterpret_cast<uint8_t*>(carry_.data() + at);
                    const int got = swr_convert(swr_, &outPtr, room, nullptr, 0);
                    carry_.resize(at + size_t(std::max(got, 0)) * 2);
                    if (got > 0) {
                        return true;
                    }
                }
            }
            return false;
        }
        if (rc < 0 && rc != AVERROR(EAGAIN)) {
            *error = ffmpegErrorText(rc);
            return false;
        }
        rc = av_read_frame(fmt_, pkt_);
        if (rc == AVERROR_EOF) {
            draining_ = true;
            avcodec_send_packet(dec_, nullptr);
            continue;
        }
        if (rc < 0) {
            *error = ffmpegErrorText(rc);
            return false;
        }
        if (pkt_->stream_index == stream_) {
            avcodec_send_packet(dec_, pkt_); // a damaged packet is skipped
        }
        av_packet_unref(pkt_);
    }
}

bool FfmpegAudioTrack::seekTo(double t, QString* error) {
    const int64_t ts = origin_ + int64_t(std::floor(std::max(t - kPreRoll, 0.0) / timeBase_));
    const int rc = av_seek_frame(fmt_, stream_, ts, AVSEEK_FLAG_BACKWARD);
    if (rc < 0) {
        *error = ffmpegErrorText(rc);
        return false;
    }
    avcodec_flush_buffers(dec_);
    swr_close(swr_);
    swr_init(swr_);
    carry_.clear();
    carryTime_ = -1;
    eof_ = draining_ = false;
    return true;
}

void FfmpegAudioTrack::closeStretch() {
    avfilter_graph_free(&graph_);
    src_ = sink_ = nullptr;
}

bool FfmpegAudioTrack::openStretch(double speed, QString* error) {
    closeStretch();
    graph_ = avfilter_graph_alloc();
    const QByteArray args =
        QByteArrayLiteral("time_base=1/48000:sample_rate=48000:sample_fmt=flt:channel_layout=stereo");
    int rc = avfilter_graph_create_filter(&src_, avfilter_get_by_name("abuffer"), "in", args.constData(),
                                          nullptr, graph_);
    if (rc >= 0) {
        rc = avfilter_graph_create_filter(&sink_, avfilter_get_by_name("abuffersink"), "out", nullptr,
                                          nullptr, graph_);
    }
    QStringList parts;
    for (double factor : tempoChain(speed)) {
        parts << QStringLiteral("atempo=%1").arg(factor, 0, 'g', 17);
    }
    parts << QStringLiteral("aformat=sample_fmts=flt:channel_layouts=stereo:sample_rates=48000");
    const QByteArray chain = parts.join(',').toLatin1();
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    outputs->name = av_strdup("in");
    outputs->filter_ctx = src_;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink_;
    if (rc >= 0) {
        rc = avfilter_graph_parse_ptr(graph_, chain.constData(), &inputs, &outputs, nullptr);
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (rc >= 0) {
        rc = avfilter_graph_config(graph_, nullptr);
    }
    if (rc < 0) {
        *error = QStringLiteral("time-stretch: ") + ffmpegErrorText(rc);
        closeStretch();
        return false;
    }
    return true;
}

bool FfmpegAudioTrack::stretch(const float* in, int frames, bool flush, std::vector<float>& out,
                               QString* error) {
    int rc = 0;
    if (frames > 0) {
        AVFrame* f = av_frame_alloc();
        f->nb_samples = frames;
        f->format = AV_SAMPLE_FMT_FLT;
        f->sample_rate = kRate;
        av_channel_layout_default(&f->ch_layout, 2);
        rc = av_frame_get_buffer(f, 0);
        if (rc >= 0) {
            std::memcpy(f->data[0], in, size_t(frames) * 2 * sizeof(float));
            rc = av_buffersrc_add_frame(src_, f);
        }
        av_frame_free(&f);
    }
    if (rc >= 0 && flush) {
        rc = av_buffersrc_add_frame(src_, nullptr);
    }
    AVFrame* got = av_frame_alloc();
    while (rc >= 0) {
        rc = av_buffersink_get_frame(sink_, got);
        if (rc < 0) {
            break;
        }
        const auto* samples = reinterpret_cast<const float*>(got->data[0]);
        out.insert(out.end(), samples, samples + size_t(got->nb_samples) * 2);
        av_frame_unref(got);
    }
    av_frame_free(&got);
    if (rc < 0 && rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) {
        *error = QStringLiteral("time-stretch: ") + ffmpegErrorText(rc);
        return false;
    }
    return true;
}

void FfmpegAudioTrack::appendOut(const float* samples, int64_t frames) {
    const int64_t n = std::min(frames, pieceTarget_ - pieceDone_);
    if (n <= 0) {
        return;
    }
    if (samples) {
        pending_.insert(pending_.end(), samples, samples + n * 2);
    } else {
        pending_.insert(pending_.end(), size_t(n) * 2, 0.0f);
    }
    pieceDone_ += n;
}

bool FfmpegAudioTrack::startPiece(QString* error) {
    const CompositionPiece& p = map_[piece_];
    pieceTarget_ = sampleAt(p.compStart + p.compDuration) - sampleAt(p.compStart);
    pieceDone_ = 0;
    sourceDone_ = false;
    const double s0 = p.sourceStart;
    const double readAt = carryTime_ < 0 ? 0 : carryTime_;
    const double readEnd = readAt + double(carry_.size() / 2) / kRate;
    if ((carryTime_ < 0 && s0 > kSeekAhead) ||
        (carryTime_ >= 0 && (s0 < readAt - kSeekBehind || s0 > readEnd + kSeekAhead))) {
        if (!seekTo(s0, error)) {
            return false;
        }
    }
    stretched_ = std::abs(p.speed - 1.0) > 1e-9;
    return !stretched_ || openStretch(p.speed, error);
}

// One step of the current piece: a decoded chunk cut to the piece's source span, stretched when
// the piece is sped up, appended. Past the source's end the piece is closed with the stretch's tail
// and silence up to its length; samples beyond its length are dropped.
bool FfmpegAudioTrack::stepPiece(QString* error) {
    const CompositionPiece& p = map_[piece_];
    const double s0 = p.sourceStart;
    const double s1 = p.sourceStart + p.speed * p.compDuration;
    if (!sourceDone_) {
        if (carry_.empty()) {
            if (decodeChunk(error)) {
                return true;
            }
            if (!error->isEmpty()) {
                return false;
            }
            sourceDone_ = true; // the source ended before the piece
        } else {
            const int64_t n = int64_t(carry_.size() / 2);
            const int64_t skip = std::clamp<int64_t>(sampleAt(s0 - carryTime_), 0, n);
            const int64_t take = std::clamp<int64_t>(sampleAt(s1 - carryTime_) - skip, 0, n - skip);
            if (take > 0) {
                const float* from = carry_.data() + skip * 2;
                if (stretched_) {
                    std::vector<float> out;
                    if (!stretch(from, int(take), false, out, error)) {
                        return false;
                    }
                    appendOut(out.data(), int64_t(out.size() / 2));
                } else {
                    appendOut(from, take);
                }
            }
            const int64_t used = skip + take;
            carry_.erase(carry_.begin(), carry_.begin() + used * 2);
            carryTime_ += double(used) / kRate;
            sourceDone_ = !carry_.empty(); // samples left over lie past the piece
            if (!sourceDone_) {
                return true;
            }
        }
    }
    if (stretched_) {
        std::vector<float> tail;
        if (!stretch(nullptr, 0, true, tail, error)) {
            return false;
        }
        appendOut(tail.data(), int64_t(tail.size() / 2));
        closeStretch();
        stretched_ = false;
    }
    // Exactly the piece's length: the stretch's rounding and a source shorter than its video
    // never shift what follows.
    appendOut(nullptr, pieceTarget_ - pieceDone_);
    inPiece_ = false;
    ++piece_;
    return true;
}

void FfmpegAudioTrack::muteRanges(float* samples, int64_t firstSample, int frames,
                                  const QList<OutputRange>& ranges) {
    for (const OutputRange& r : ranges) {
        const int64_t a = std::max<int64_t>(sampleAt(r.start), firstSample);
        const int64_t b = std::min<int64_t>(sampleAt(r.end), firstSample + frames);
        if (a < b) {
            std::fill(samples + (a - firstSample) * 2, samples + (b - firstSample) * 2, 0.0f);
        }
    }
}

bool FfmpegAudioTrack::render(float* out, int frames, QString* error) {
    const size_t want = size_t(frames) * 2;
    while (pending_.size() - pendingHead_ < want && piece_ < map_.size()) {
        if (!inPiece_) {
            if (!startPiece(error)) {
                return false;
            }
            inPiece_ = true;
        }
        if (!stepPiece(error)) {
            return false;
        }
    }
    const size_t have = std::min(want, pending_.size() - pendingHead_);
    std::memcpy(out, pending_.data() + pendingHead_, have * sizeof(float));
    std::fill(out + have, out + want, 0.0f);
    pendingHead_ += have;
    if (pendingHead_ > (size_t(1) << 20)) {
        pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(pendingHead_));
        pendingHead_ = 0;
    }
    return true;
}

} // namespace mebo::platform
