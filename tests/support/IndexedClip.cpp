#include "support/IndexedClip.h"

#include "support/MediaFacts.h"
#include "support/Process.h"

#include <QImage>
#include <QStandardPaths>
#include <cmath>

namespace mebo::test {

namespace {

bool ffmpeg(const QStringList& args, QString* error) {
    const ProgramRun run = runWithoutDisplay(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")), args);
    if (run.exitCode != 0 && error) {
        *error = run.exitCode < 0 ? QStringLiteral("ffmpeg could not be started") : run.err;
    }
    return run.exitCode == 0;
}

} // namespace

bool makeIndexedClip(const QString& path, const IndexedClipShape& shape, QString* error) {
    const QString t = QString::number(shape.seconds);
    const QString picture =
        QStringLiteral(
            "nullsrc=size=%1x%2:rate=%3:duration=%4,format=gray,"
            "geq=lum='if(lt(Y\\,40)*lt(X\\,320)\\,255*mod(floor(N/pow(2\\,floor(X/32)))\\,2)\\,60+mod(X+Y\\,"
            "128))',format=yuv420p")
            .arg(shape.size.width())
            .arg(shape.size.height())
            .arg(shape.fps)
            .arg(t);
    QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", picture};
    QStringList maps{"-map",      "0",   "-c:v", "libx264",  "-preset",
                     "ultrafast", "-qp", "10",   "-pix_fmt", "yuv420p"};
    for (int i = 0; i < shape.tones.size(); ++i) {
        args +=
            {"-f", "lavfi", "-i",
             QStringLiteral("sine=frequency=%1:duration=%2:sample_rate=48000").arg(shape.tones[i]).arg(t)};
        maps << "-map" << QString::number(i + 1);
        maps << QStringLiteral("-metadata:s:a:%1").arg(i) << "handler_name=" + shape.names.value(i);
    }
    if (!shape.tones.isEmpty()) {
        maps += {"-c:a", "aac", "-b:a", "128k"};
    }
    return ffmpeg(args + maps + QStringList{path}, error);
}

bool makeClip(const QString& path, const ClipSpec& spec, QString* error) {
    const QString t = QString::number(spec.seconds);
    const QString picture = QStringLiteral("testsrc2=size=%1x%2:rate=%3:duration=%4")
                                .arg(spec.size.width())
                                .arg(spec.size.height())
                                .arg(spec.fps)
                                .arg(t);
    QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", picture};
    QStringList maps{"-map", "0", "-c:v", spec.videoCodec, "-pix_fmt", "yuv420p"};
    for (int i = 0; i < spec.audioTracks.size(); ++i) {
        args +=
            {"-f", "lavfi", "-i", QStringLiteral("sine=frequency=%1:duration=%2").arg(440 * (i + 1)).arg(t)};
        maps << "-map" << QString::number(i + 1);
        if (!spec.audioTracks[i].isEmpty()) {
            maps << QStringLiteral("-metadata:s:a:%1").arg(i) << "handler_name=" + spec.audioTracks[i];
        }
    }
    return ffmpeg(args + maps + QStringList{path}, error);
}

bool makeColourClip(const QString& path, const QString& colour, QSize size, double seconds, QString* error) {
    return ffmpeg({"-v", "error", "-y", "-f", "lavfi", "-i",
                   QStringLiteral("color=c=%1:size=%2x%3:rate=30:duration=%4")
                       .arg(colour)
                       .arg(size.width())
                       .arg(size.height())
                       .arg(seconds),
                   "-c:v", "libx264", "-preset", "ultrafast", "-qp", "0", "-pix_fmt", "yuv420p", path},
                  error);
}

std::vector<QImage> rgbFrames(const QString& path, QSize size) {
    const QByteArray raw =
        media::run(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-map", "0:v", "-vsync",
                                              "passthrough", "-f", "rawvideo", "-pix_fmt", "bgra", "-"});
    std::vector<QImage> frames;
    const qsizetype bytes = qsizetype(size.width()) * size.height() * 4;
    for (qsizetype at = 0; at + bytes <= raw.size(); at += bytes) {
        QImage image(reinterpret_cast<const uchar*>(raw.constData() + at), size.width(), size.height(),
                     QImage::Format_RGB32);
        frames.push_back(image.copy());
    }
    return frames;
}

int frameIndex(const QImage& f, QPoint origin, double scale) {
    int v = 0;
    for (int bit = 0; bit < 10; ++bit) {
        const QPoint at = origin + QPoint(int((bit * 32 + 16) * scale), int(20 * scale));
        if (!f.rect().contains(at)) {
            return -1;
        }
        if (qGray(f.pixel(at)) > 128) {
            v |= 1 << bit;
        }
    }
    return v;
}

std::vector<int> frameIndices(const QString& path, QSize size, QPoint origin, double scale) {
    std::vector<int> out;
    for (const QImage& f : rgbFrames(path, size)) {
        out.push_back(frameIndex(f, origin, scale));
    }
    return out;
}

double toneLevel(const std::vector<float>& samples, double hz, double fromSec, double toSec) {
    const size_t a = std::min(samples.size(), size_t(std::max(fromSec, 0.0) * 48000));
    const size_t b = std::min(samples.size(), size_t(std::max(toSec, 0.0) * 48000));
    if (b <= a) {
        return 0;
    }
    const double k = 2 * std::cos(2 * M_PI * hz / 48000);
    double s1 = 0, s2 = 0;
    for (size_t i = a; i < b; ++i) {
        const double s0 = samples[i] + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(std::max(s1 * s1 + s2 * s2 - k * s1 * s2, 0.0)) / double(b - a);
}

} // namespace mebo::test
