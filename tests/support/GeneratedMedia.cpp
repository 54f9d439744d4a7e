#include "support/GeneratedMedia.h"

#include "support/ProgramRun.h"

#include <QStandardPaths>

namespace mebo::test {

bool makeClip(const QString& path, const ClipSpec& spec, QString* error) {
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty()) {
        if (error) {
            *error = QStringLiteral("ffmpeg is not installed");
        }
        return false;
    }
    const QString seconds = QString::number(spec.seconds);
    QStringList args{"-v",
                     "error",
                     "-y",
                     "-f",
                     "lavfi",
                     "-i",
                     QStringLiteral("testsrc2=size=%1x%2:rate=%3:duration=%4")
                         .arg(spec.size.width())
                         .arg(spec.size.height())
                         .arg(spec.fps)
                         .arg(seconds)};
    for (int i = 0; i < spec.audioTracks.size(); ++i) {
        args << "-f"
             << "lavfi"
             << "-i" << QStringLiteral("sine=frequency=%1:duration=%2").arg(440 * (i + 1)).arg(seconds);
    }
    for (int i = 0; i <= spec.audioTracks.size(); ++i) {
        args << "-map" << QString::number(i);
    }
    args << "-c:v" << spec.videoCodec << "-pix_fmt"
         << "yuv420p";
    if (spec.videoCodec == QLatin1String("libx264")) {
        args << "-preset"
             << "ultrafast";
    }
    for (int i = 0; i < spec.audioTracks.size(); ++i) {
        if (!spec.audioTracks[i].isEmpty()) {
            args << QStringLiteral("-metadata:s:a:%1").arg(i)
                 << QStringLiteral("handler_name=") + spec.audioTracks[i];
        }
    }
    args << path;
    const ProgramRun run = runWithoutDisplay(ffmpeg, args);
    if (run.exitCode != 0 && error) {
        *error = run.err;
    }
    return run.exitCode == 0;
}

} // namespace mebo::test
