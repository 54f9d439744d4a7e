#include "platform/ffmpeg/FfmpegVideoReader.h"

#include "platform/ffmpeg/FfmpegError.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <libyuv/convert_argb.h>
#include <libyuv/scale.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace mebo::platform {

namespace {

// A frame counts as shown at `t` when its time is at most this much after `t` (time stamps in
// milliseconds or in a 1/600 time base round).
constexpr double kTimeSlack = 1e-4;
// Gaps longer than this are crossed by seeking rather than decoding through them.
constexpr double kSeekGap = 2.0;

int rotationOf(const AVStream* st) {
    const auto* matrix =
        reinterpret_cast<const int32_t*>(av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!matrix) {
        return 0;
    }
    const double angle = av_display_rotation_get(matrix);
    if (std::isnan(angle)) {
        return 0;
    }
    const int degrees = int(std::lround(-angle)) % 360;
    return ((degrees + 360) % 360 + 45) / 90 * 90 % 360;
}

} // namespace

FfmpegVideoReader::FfmpegVideoReader() = default;

FfmpegVideoReader::~FfmpegVideoReader() {
    av_frame_free(&cur_);
    av_frame_free(&peek_);
    av_packet_free(&pkt_);
    avcodec_free_context(&dec_);
    avformat_close_input(&fmt_);
    sws_freeContext(sws_);
}

FfmpegVideoReader::OpenResult FfmpegVideoReader::open(const QString& path, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    int rc = avformat_open_input(&fmt_, name.constData(), nullptr, nullptr);
    if (rc < 0) {
        *error = ffmpegErrorText(rc);
        return OpenResult::failed;
    }
    rc = avformat_find_stream_info(fmt_, nullptr);
    if (rc < 0) {
        *error = ffmpegErrorText(rc);
        return OpenResult::failed;
    }
    const AVCodec* codec = nullptr;
    stream_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream_ == AVERROR_STREAM_NOT_FOUND) {
        *error = QStringLiteral("no video stream");
        return OpenResult::noVideoTrack;
    }
    if (stream_ < 0 || !codec) {
        *error = stream_ < 0 ? ffmpegErrorText(stream_) : QStringLiteral("no decoder for the video stream");
        return OpenResult::failed;
    }
    AVStream* st = fmt_->streams[stream_];
    for (unsigned i = 0; i < fmt_->nb_streams; ++i) {
        fmt_->streams[i]->discard = int(i) == stream_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    dec_ = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec_, st->codecpar);
    // Frame threads as many as the machine has cores (0 = automatic).
    dec_->thread_count = 0;
    dec_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    rc = avcodec_open2(dec_, codec, nullptr);
    if (rc < 0) {
        *error = ffmpegErrorText(rc);
        return OpenResult::failed;
    }
    timeBase_ = av_q2d(st->time_base);
    origin_ = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    coded_ = QSize(st->codecpar->width, st->codecpar->height);
    rotation_ = rotationOf(st);
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
        duration_ = double(st->duration) * timeBase_;
    } else if (fmt_->duration != AV_NOPTS_VALUE && fmt_->duration > 0) {
        duration_ = double(fmt_->duration) / AV_TIME_BASE;
    }
    const AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) {
        frameDuration_ = 1.0 / av_q2d(rate);
    }
    pkt_ = av_packet_alloc();
    cur_ = av_frame_alloc();
    peek_ = av_frame_alloc();
    size_ = coded_;
    return OpenResult::ok;
}

void FfmpegVideoReader::setOutput(const QRect& crop, QSize size) {
    crop_ = crop;
    size_ = size;
    converted_ = false;
}

bool FfmpegVideoReader::readFrame(AVFrame* into, double* time, QString* error) {
    for (;;) {
        int rc = avcodec_receive_frame(dec_, into);
        if (rc == 0) {
            const int64_t ts =
                into->best_effort_timestamp != AV_NOPTS_VALUE ? into->best_effort_timestamp : into->pts;
            *time = ts != AV_NOPTS_VALUE ? double(ts - origin_) * timeBase_
                                         : (hasCur_ ? curTime_ + frameDuration_ : 0);
            return true;
        }
        if (rc == AVERROR_EOF) {
            eof_ = true;
            return false;
        }
        if (rc != AVERROR(EAGAIN)) {
            *error = ffmpegErrorText(rc);
            return false;
        }
        if (draining_) {
            eof_ = true;
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
            rc = avcodec_send_packet(dec_, pkt_);
            // A damaged packet is skipped as players do; the next key frame recovers.
            (void)rc;
        }
        av_packet_unref(pkt_);
    }
}

bool FfmpegVideoReader::seekTo(double t, QString* error) {
    const int64_t ts = origin_ + int64_t(std::floor(std::max(t, 0.0) / timeBase_));
    const int rc = av_seek_frame(fmt_, stream_, ts, AVSEEK_FLAG_BACKWARD);
    if (rc < 0) {
        *error = ffmpegErrorText(rc);
        return false;
    }
    avcodec_flush_buffers(dec_);
    hasCur_ = hasPeek_ = eof_ = draining_ = false;
    converted_ = false;
    return true;
}

bool FfmpegVideoReader::advanceTo(double t, QString* error) {
    error->clear();
    const bool backwards = hasCur_ && t + kTimeSlack < curTime_ && curTime_ > kTimeSlack;
    const bool farAhead = hasCur_ && t - curTime_ > kSeekGap && (!hasPeek_ || peekTime_ < t - 1.0);
    if ((backwards || farAhead) && !seekTo(t, error)) {
        return false;
    }
    if (!hasCur_) {
        if (!readFrame(cur_, &curTime_, error)) {
            return false;
        }
        hasCur_ = true;
        converted_ = false;
    }
    for (;;) {
        if (!hasPeek_ && !eof_) {
            hasPeek_ = readFrame(peek_, &peekTime_, error);
            if (!error->isEmpty()) {
                return false;
            }
        }
        if (!hasPeek_ || peekTime_ > t + kTimeSlack) {
            return true;
        }
        std::swap(cur_, peek_);
        curTime_ = peekTime_;
        hasPeek_ = false;
        converted_ = false;
    }
}

bool FfmpegVideoReader::isNear(double t, double span) const {
    return hasCur_ && t + kTimeSlack >= curTime_ && t - curTime_ <= span;
}

bool FfmpegVideoReader::keyFrameBefore(double t, QString* error) {
    error->clear();
    if (!seekTo(t, error)) {
        return false;
    }
    if (!readFrame(cur_, &curTime_, error)) {
        return false;
    }
    hasCur_ = true;
    return true;
}

bool FfmpegVideoReader::endedBefore(double t) const {
    return hasCur_ && eof_ && !hasPeek_ && t > curTime_ + frameDuration_ + kTimeSlack;
}

QImage FfmpegVideoReader::currentImage() {
    if (!hasCur_) {
        return {};
    }
    if (!converted_) {
        // A new picture each time: the previous one may still be in use downstream.
        image_ = QImage(size_, QImage::Format_RGB32);
        convert(cur_, image_);
        converted_ = true;
    }
    return image_;
}

void FfmpegVideoReader::convert(const AVFrame* f, QImage& out) {
    QRect crop = crop_.isEmpty() ? QRect(0, 0, f->width, f->height) : crop_;
    crop = crop.intersected(QRect(0, 0, f->width, f->height));
    if (crop.isEmpty()) {
        out.fill(Qt::black);
        return;
    }
    const int ow = out.width();
    const int oh = out.height();
    const auto fmt = AVPixelFormat(f->format);
    if (!exactColours_ && (fmt == AV_PIX_FMT_YUV420P || fmt == AV_PIX_FMT_YUVJ420P)) {
        // Chroma rows and columns come in pairs: the crop starts on an even pixel.
        const int cx = crop.x() & ~1;
        const int cy = crop.y() & ~1;
        const int cw = std::min(crop.right() + 1, f->width) - cx;
        const int ch = std::min(crop.bottom() + 1, f->height) - cy;
        const uint8_t* y = f->data[0] + cy * f->linesize[0] + cx;
        const uint8_t* u = f->data[1] + (cy / 2) * f->linesize[1] + cx / 2;
        const uint8_t* v = f->data[2] + (cy / 2) * f->linesize[2] + cx / 2;
        int ys = f->linesize[0], us = f->linesize[1], vs = f->linesize[2];
        if (cw != ow || ch != oh) {
            const int hw = (ow + 1) / 2, hh = (oh + 1) / 2;
            scaled_.resize(qsizetype(ow) * oh + 2 * qsizetype(hw) * hh);
            auto* sy = reinterpret_cast<uint8_t*>(scaled_.data());
            uint8_t* su = sy + qsizetype(ow) * oh;
            uint8_t* sv = su + qsizetype(hw) * hh;
            libyuv::I420Scale(y, ys, u, us, v, vs, cw, ch, sy, ow, su, hw, sv, hw, ow, oh,
                              libyuv::kFilterBilinear);
            y = sy, u = su, v = sv, ys = ow, us = vs = hw;
        }
        auto* dst = out.bits();
        const int ds = int(out.bytesPerLine());
        if (fmt == AV_PIX_FMT_YUVJ420P || f->color_range == AVCOL_RANGE_JPEG) {
            libyuv::J420ToARGB(y, ys, u, us, v, vs, dst, ds, ow, oh);
        } else if (f->colorspace == AVCOL_SPC_BT709) {
            libyuv::H420ToARGB(y, ys, u, us, v, vs, dst, ds, ow, oh);
        } else {
            libyuv::I420ToARGB(y, ys, u, us, v, vs, dst, ds, ow, oh);
        }
        return;
    }
    // Other layouts: swscale reads the crop through offset plane pointers.
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(fmt);
    const uint8_t* src[4] = {};
    int strides[4] = {};
    for (int i = 0; i < 4 && f->data[i]; ++i) {
        const bool chroma = i == 1 || i == 2;
        const int sx = chroma ? crop.x() >> desc->log2_chroma_w : crop.x();
        const int sy = chroma ? crop.y() >> desc->log2_chroma_h : crop.y();
        int step = 1;
        for (int c = 0; c < desc->nb_components; ++c) {
            if (desc->comp[c].plane == i) {
                step = std::max(step, desc->comp[c].step);
            }
        }
        src[i] = f->data[i] + sy * f->linesize[i] + sx * step;
        strides[i] = f->linesize[i];
    }
    SwsContext* previous = sws_;
    sws_ = sws_getCachedContext(sws_, crop.width(), crop.height(), fmt, ow, oh, AV_PIX_FMT_BGRA, SWS_BILINEAR,
                                nullptr, nullptr, nullptr);
    if (!sws_) {
        out.fill(Qt::black);
        return;
    }
    // The frame's own matrix and range (BT.601 limited when it says nothing, as FFmpeg assumes);
    // set again only when they change, since swscale rebuilds its tables each time.
    const bool fullRange = f->color_range == AVCOL_RANGE_JPEG || fmt == AV_PIX_FMT_YUVJ420P;
    const int matrix = f->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : int(f->colorspace);
    if (sws_ != previous || matrix != swsMatrix_ || fullRange != swsFullRange_) {
        sws_setColorspaceDetails(sws_, sws_getCoefficients(matrix), fullRange ? 1 : 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        swsMatrix_ = matrix;
        swsFullRange_ = fullRange;
    }
    uint8_t* dst[4] = {out.bits(), nullptr, nullptr, nullptr};
    int dstStride[4] = {int(out.bytesPerLine()), 0, 0, 0};
    sws_scale(sws_, src, strides, 0, crop.height(), dst, dstStride);
}

} // namespace mebo::platform
