#include "platform/ffmpeg/FfmpegRemuxer.h"

#include "platform/ffmpeg/FfmpegError.h"

#include <QFile>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace mebo::platform {

namespace {

struct InputCloser {
    void operator()(AVFormatContext* ic) const { avformat_close_input(&ic); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

Input openInput(const QString& path, QString* error) {
    AVFormatContext* ic = nullptr;
    int rc = avformat_open_input(&ic, QFile::encodeName(path).constData(), nullptr, nullptr);
    if (rc < 0) {
        if (error) {
            *error = ffmpegErrorText(rc);
        }
        return nullptr;
    }
    Input input(ic);
    rc = avformat_find_stream_info(ic, nullptr);
    if (rc < 0) {
        if (error) {
            *error = ffmpegErrorText(rc);
        }
        return nullptr;
    }
    return input;
}

double secondsOf(int64_t ts, AVRational tb) {
    return ts == AV_NOPTS_VALUE ? std::numeric_limits<double>::quiet_NaN() : double(ts) * av_q2d(tb);
}

} // namespace

bool FfmpegRemuxer::copy(const QString& source, const QString& destination, double startSec,
                         std::optional<double> endSec, QString* error) {
    Input ic = openInput(source, error);
    if (!ic) {
        return false;
    }
    const auto failWith = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return false;
    };
    AVFormatContext* oc = nullptr;
    const QByteArray dest = QFile::encodeName(destination);
    int rc = avformat_alloc_output_context2(&oc, nullptr, "mp4", dest.constData());
    if (rc < 0 || !oc) {
        return failWith(ffmpegErrorText(rc));
    }
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> output(oc, [](AVFormatContext* c) {
        if (c->pb) {
            avio_closep(&c->pb);
        }
        avformat_free_context(c);
    });
    int videoIndex = -1;
    std::vector<int> mapping(ic->nb_streams, -1);
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
        AVStream* in = ic->streams[i];
        const auto type = in->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO) {
            continue;
        }
        if (type == AVMEDIA_TYPE_VIDEO) {
            if (videoIndex >= 0) {
                continue;
            }
            videoIndex = int(i);
        }
        AVStream* out = avformat_new_stream(oc, nullptr);
        avcodec_parameters_copy(out->codecpar, in->codecpar);
        // Keep the sample entry (hvc1 for HEVC, which Apple players need); others are re-derived.
        if (in->codecpar->codec_id != AV_CODEC_ID_HEVC) {
            out->codecpar->codec_tag = 0;
        }
        out->time_base = in->time_base;
        out->disposition = in->disposition;
        av_dict_copy(&out->metadata, in->metadata, 0);
        mapping[i] = out->index;
    }
    if (videoIndex < 0) {
        return failWith(QStringLiteral("no video stream"));
    }
    // Start at the key frame at or before the start: a copy cannot begin between key frames.
    // A whole copy starts at the earliest presentation time of any track (a writer may have
    // shifted every track alike), so the result starts at zero.
    double cutSec = 0;
    if (startSec <= 0) {
        double earliest = std::numeric_limits<double>::infinity();
        for (unsigned i = 0; i < ic->nb_streams; ++i) {
            if (mapping[i] >= 0 && ic->streams[i]->start_time != AV_NOPTS_VALUE) {
                earliest =
                    std::min(earliest, secondsOf(ic->streams[i]->start_time, ic->streams[i]->time_base));
            }
        }
        cutSec = std::isfinite(earliest) && earliest > 0 ? earliest : 0;
    }
    if (startSec > 0) {
        AVStream* vs = ic->streams[videoIndex];
        const int64_t target = int64_t(startSec / av_q2d(vs->time_base));
        if (av_seek_frame(ic.get(), videoIndex, target, AVSEEK_FLAG_BACKWARD) < 0) {
            return failWith(QStringLiteral("cannot seek to %1 s").arg(startSec));
        }
    }
    rc = avio_open(&oc->pb, dest.constData(), AVIO_FLAG_WRITE);
    if (rc < 0) {
        return failWith(ffmpegErrorText(rc));
    }
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "movflags", "+faststart", 0);
    rc = avformat_write_header(oc, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        return failWith(ffmpegErrorText(rc));
    }
    AVPacket* pkt = av_packet_alloc();
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packetGuard(pkt, [](AVPacket* p) { av_packet_free(&p); });
    bool cutKnown = startSec <= 0;
    std::vector<bool> ended(ic->nb_streams, false);
    std::vector<int64_t> lastDts(ic->nb_streams, std::numeric_limits<int64_t>::min());
    int written = 0;
    for (;;) {
        rc = av_read_frame(ic.get(), pkt);
        if (rc < 0) {
            // The end, or a fragment cut short by a crash: what was read so far is the file.
            break;
        }
        const int in = pkt->stream_index;
        const int out = in >= 0 && in < int(mapping.size()) ? mapping[size_t(in)] : -1;
        if (out < 0 || ended[size_t(in)]) {
            av_packet_unref(pkt);
            continue;
        }
        AVStream* ist = ic->streams[in];
        const double t = secondsOf(pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts, ist->time_base);
        if (!cutKnown) {
            // The first video packet after the seek fixes where the copy starts.
            if (in != videoIndex) {
                av_packet_unref(pkt);
                continue;
            }
            cutSec = std::isfinite(t) ? std::min(t, startSec) : 0;
            cutKnown = true;
        }
        if (endSec && std::isfinite(t) && t >= *endSec) {
            ended[size_t(in)] = true;
            av_packet_unref(pkt);
            continue;
        }
        if (endSec && pkt->pts != AV_NOPTS_VALUE && pkt->duration > 0) {
            // A frame held across the end (a still screen's) is shown only until the end.
            const int64_t endTs = int64_t(std::llround(*endSec / av_q2d(ist->time_base)));
            pkt->duration = std::min(pkt->duration, std::max<int64_t>(1, endTs - pkt->pts));
        }
        if (std::isfinite(t) && t < cutSec - 1e-6 && in != videoIndex) {
            av_packet_unref(pkt);
            continue;
        }
        const int64_t shift = int64_t(std::llround(cutSec / av_q2d(ist->time_base)));
        if (pkt->pts != AV_NOPTS_VALUE) {
            pkt->pts -= shift;
        }
        if (pkt->dts != AV_NOPTS_VALUE) {
            pkt->dts -= shift;
            if (pkt->dts <= lastDts[size_t(in)]) {
                av_packet_unref(pkt);
                continue;
            }
            lastDts[size_t(in)] = pkt->dts;
        }
        AVStream* ost = oc->streams[out];
        av_packet_rescale_ts(pkt, ist->time_base, ost->time_base);
        pkt->stream_index = out;
        pkt->pos = -1;
        rc = av_interleaved_write_frame(oc, pkt);
        if (rc < 0) {
            return failWith(ffmpegErrorText(rc));
        }
        ++written;
    }
    if (written == 0) {
        return failWith(QStringLiteral("nothing to copy"));
    }
    rc = av_write_trailer(oc);
    if (rc < 0) {
        return failWith(ffmpegErrorText(rc));
    }
    return true;
}

QImage FfmpegRemuxer::frameAt(const QString& path, double atSec, QString* error) {
    Input ic = openInput(path, error);
    if (!ic) {
        return {};
    }
    const int vi = av_find_best_stream(ic.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (vi < 0) {
        if (error) {
            *error = QStringLiteral("no video stream");
        }
        return {};
    }
    AVStream* st = ic->streams[vi];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) {
        if (error) {
            *error = QStringLiteral("no decoder");
        }
        return {};
    }
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> dec(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(dec.get(), st->codecpar);
    dec->thread_count = 1;
    if (avcodec_open2(dec.get(), codec, nullptr) < 0) {
        if (error) {
            *error = QStringLiteral("cannot open the decoder");
        }
        return {};
    }
    if (atSec > 0) {
        av_seek_frame(ic.get(), vi, int64_t(atSec / av_q2d(st->time_base)), AVSEEK_FLAG_BACKWARD);
    }
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    QImage image;
    bool draining = false;
    while (image.isNull()) {
        if (!draining) {
            const int rc = av_read_frame(ic.get(), pkt);
            if (rc < 0) {
                draining = true;
                avcodec_send_packet(dec.get(), nullptr);
            } else if (pkt->stream_index == vi) {
                avcodec_send_packet(dec.get(), pkt);
                av_packet_unref(pkt);
            } else {
                av_packet_unref(pkt);
                continue;
            }
        }
        const int rc = avcodec_receive_frame(dec.get(), frame);
        if (rc == AVERROR(EAGAIN) && !draining) {
            continue;
        }
        if (rc < 0) {
            break;
        }
        const double t = secondsOf(frame->best_effort_timestamp, st->time_base);
        if (std::isfinite(t) && t + 1e-3 < atSec && !draining) {
            av_frame_unref(frame);
            continue;
        }
        image = QImage(frame->width, frame->height, QImage::Format_RGB32);
        SwsContext* sws =
            sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                           frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        uint8_t* dst[1] = {image.bits()};
        int dstStride[1] = {int(image.bytesPerLine())};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
        sws_freeContext(sws);
        av_frame_unref(frame);
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    if (image.isNull() && error) {
        *error = QStringLiteral("no frame decoded");
    }
    return image;
}

} // namespace mebo::platform
