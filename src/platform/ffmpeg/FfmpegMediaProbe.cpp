#include "platform/ffmpeg/FfmpegMediaProbe.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/error.h>
}

#include <QFileInfo>
#include <cmath>
#include <memory>

namespace mebo::platform {

namespace {

QString avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

QString tag(const AVDictionary* metadata, const char* key) {
    const AVDictionaryEntry* e = av_dict_get(metadata, key, nullptr, 0);
    return e ? QString::fromUtf8(e->value) : QString();
}

double seconds(int64_t ts, AVRational base) {
    return ts == AV_NOPTS_VALUE || ts <= 0 ? 0 : double(ts) * av_q2d(base);
}

std::optional<MediaAudioRole> taggedRole(const QString& title) {
    const QString t = title.toLower();
    if (t.contains(QLatin1String("mic"))) {
        return MediaAudioRole::microphone;
    }
    if (t.contains(QLatin1String("system"))) {
        return MediaAudioRole::system;
    }
    return std::nullopt;
}

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
    // av_display_rotation_get answers counter-clockwise degrees; players turn clockwise.
    const int degrees = int(std::lround(-angle)) % 360;
    return ((degrees + 360) % 360 + 45) / 90 * 90 % 360;
}

void assignRoles(MediaStreamFacts& facts) {
    QList<std::optional<MediaAudioRole>> tagged;
    for (const MediaAudioTrack& t : facts.audioTracks) {
        tagged.append(taggedRole(t.title));
    }
    bool systemTaken = tagged.contains(std::optional(MediaAudioRole::system));
    bool micTaken = tagged.contains(std::optional(MediaAudioRole::microphone));
    for (int i = 0; i < facts.audioTracks.size(); ++i) {
        MediaAudioTrack& t = facts.audioTracks[i];
        if (tagged[i]) {
            t.role = *tagged[i];
        } else if (!systemTaken) {
            t.role = MediaAudioRole::system;
            systemTaken = true;
        } else if (!micTaken) {
            t.role = MediaAudioRole::microphone;
            micTaken = true;
        } else {
            t.role = MediaAudioRole::system;
        }
        std::optional<int>& slot =
            t.role == MediaAudioRole::system ? facts.systemAudioTrack : facts.microphoneTrack;
        if (!slot) {
            slot = i;
        }
    }
}

} // namespace

std::optional<MediaStreamFacts> FfmpegMediaProbe::probe(const QString& path, QString* error) {
    auto fail = [error](const QString& why) -> std::optional<MediaStreamFacts> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (!QFileInfo(path).isFile()) {
        return fail(QStringLiteral("%1: no such file").arg(path));
    }
    AVFormatContext* raw = nullptr;
    const QByteArray file = QFileInfo(path).absoluteFilePath().toUtf8();
    if (const int rc = avformat_open_input(&raw, file.constData(), nullptr, nullptr); rc < 0) {
        return fail(QStringLiteral("%1: %2").arg(path, avError(rc)));
    }
    const std::unique_ptr<AVFormatContext*, void (*)(AVFormatContext**)> ctx(&raw, avformat_close_input);
    if (const int rc = avformat_find_stream_info(raw, nullptr); rc < 0) {
        return fail(QStringLiteral("%1: %2").arg(path, avError(rc)));
    }

    MediaStreamFacts facts;
    facts.container = QString::fromUtf8(raw->iformat->name);
    double longest = raw->duration == AV_NOPTS_VALUE ? 0 : double(raw->duration) / AV_TIME_BASE;
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        const AVStream* st = raw->streams[i];
        const AVCodecParameters* par = st->codecpar;
        const double streamSeconds = seconds(st->duration, st->time_base);
        longest = std::max(longest, streamSeconds);
        const QString codec = QString::fromUtf8(avcodec_get_name(par->codec_id));
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && !facts.hasVideo &&
            !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            facts.hasVideo = true;
            facts.videoSize = QSize(par->width, par->height);
            facts.videoCodec = codec;
            facts.rotationDegrees = rotationOf(st);
            const AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
            if (rate.num > 0 && rate.den > 0) {
                facts.frameRate = av_q2d(rate);
            }
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            MediaAudioTrack track;
            track.streamIndex = int(i);
            track.codec = codec;
            track.channels = par->ch_layout.nb_channels;
            track.sampleRate = par->sample_rate;
            track.title = tag(st->metadata, "title");
            if (track.title.isEmpty()) {
                track.title = tag(st->metadata, "handler_name");
            }
            track.durationSec = streamSeconds;
            facts.audioTracks.append(track);
        }
    }
    facts.durationSec = longest;
    assignRoles(facts);
    return facts;
}

} // namespace mebo::platform
