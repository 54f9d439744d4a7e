#include "support/MediaFacts.h"

#include "support/Process.h"

#include <QJsonDocument>
#include <cmath>
#include <cstring>

namespace mebo::test::media {

QByteArray run(const QString& program, const QStringList& args, int timeoutMs) {
    // Through posix_spawn, not QProcess: Qt's child runs in this process's memory until its exec
    // (clone with CLONE_VM | CLONE_VFORK), so ThreadSanitizer's fork bookkeeping for the child
    // lands on this process's own state, which then misses the calling thread's later unlocks.
    const ProgramRun r = test::run(QStringList{program} + args, {}, timeoutMs);
    return r.exitCode == -1 ? QByteArray() : r.stdOut;
}

QJsonObject probe(const QString& path) {
    return QJsonDocument::fromJson(
               run(QStringLiteral("ffprobe"),
                   {"-v", "error", "-show_entries",
                    "stream=codec_type,codec_name,profile,codec_tag_string,width,height,sample_rate,channels,"
                    "start_time,duration:format=duration",
                    "-of", "json", path}))
        .object();
}

double formatDuration(const QString& path) {
    return probe(path).value("format").toObject().value("duration").toString().toDouble();
}

std::vector<double> frameTimes(const QString& path) {
    std::vector<double> out;
    const QByteArray text =
        run(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v", "-show_entries",
                                        "frame=pts_time", "-of", "csv=p=0", path});
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray t = line.trimmed().replace(",", "");
        if (!t.isEmpty()) {
            out.push_back(t.toDouble());
        }
    }
    return out;
}

std::vector<QByteArray> greyFrames(const QString& path, int width, int height) {
    const QByteArray raw =
        run(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-map", "0:v", "-fps_mode", "passthrough",
                                       "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    std::vector<QByteArray> frames;
    const qsizetype size = qsizetype(width) * height;
    for (qsizetype at = 0; at + size <= raw.size(); at += size) {
        frames.push_back(raw.mid(at, size));
    }
    return frames;
}

std::vector<float> audioTrack(const QString& path, int track) {
    const QByteArray raw =
        run(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-map", QStringLiteral("0:a:%1").arg(track),
                                       "-ac", "1", "-ar", "48000", "-f", "f32le", "-"});
    std::vector<float> out(size_t(raw.size()) / sizeof(float));
    std::memcpy(out.data(), raw.constData(), out.size() * sizeof(float));
    return out;
}

std::vector<double> onsets(const std::vector<float>& samples, float level, double quietSec) {
    std::vector<double> out;
    size_t quiet = size_t(quietSec * 48000);
    const size_t needed = quiet;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) > level) {
            if (quiet >= needed) {
                out.push_back(double(i) / 48000.0);
            }
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return out;
}

double rms(const std::vector<float>& samples, double fromSec, double toSec) {
    const size_t a = std::min(samples.size(), size_t(fromSec * 48000));
    const size_t b = std::min(samples.size(), size_t(toSec * 48000));
    if (b <= a) {
        return 0;
    }
    double sum = 0;
    for (size_t i = a; i < b; ++i) {
        sum += double(samples[i]) * samples[i];
    }
    return std::sqrt(sum / double(b - a));
}

} // namespace mebo::test::media
