#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

namespace mebo::test {

// A test clip made by the ffmpeg command: lavfi testsrc2 pictures and one sine tone per audio
// track, each track tagged with its handler name unless that is empty.
struct ClipSpec {
    double seconds = 2;
    QSize size{320, 240};
    int fps = 25;
    QStringList audioTracks;
    QString videoCodec = QStringLiteral("libx264");
};

// Writes the clip to `path` (the container from its extension); false with ffmpeg's error text.
bool makeClip(const QString& path, const ClipSpec& spec, QString* error = nullptr);

} // namespace mebo::test
