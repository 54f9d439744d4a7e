#include "support/GeneratedMedia.h"

#include "support/Process.h"

#include <QStandardPaths>

namespace mebo::test {

bool makeClip(const QString& path, const ClipSpec& spec, QString* error) {
    const QString t = QString::number(spec.seconds);
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
                         .arg(t)};
    QStringList maps{"-map", "0", "-c:v", spec.videoCodec, "-pix_fmt", "yuv420p"};
    for (int i = 0; i < spec.audioTracks.size(); ++i) {
        args << "-f"
             << "lavfi"
             << "-i" << QStringLiteral("sine=frequency=%1:duration=%2").arg(440 * (i + 1)).arg(t);
        maps << "-map" << QString::number(i + 1);
        if (!spec.audioTracks[i].isEmpty()) {
            maps << QStringLiteral("-metadata:s:a:%1").arg(i) << "handler_name=" + spec.audioTracks[i];
        }
    }
    const ProgramRun run = runWithoutDisplay(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")),
                                             args + maps + QStringList{path});
    if (run.exitCode != 0 && error) {
        *error = run.exitCode < 0 ? QStringLiteral("ffmpeg could not be started") : run.err;
    }
    return run.exitCode == 0;
}

} // namespace mebo::test
