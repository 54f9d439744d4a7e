#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

namespace mebo::test {

// A test clip made by the ffmpeg command: lavfi testsrc2 pictures and one sine tone per audio
// track (440 Hz, 880 Hz, ...), each audio track tagged with its handler name when one is given.
struct ClipSpec {
    double seconds = 2;
    QSize size{320, 240};
    int fps = 25;
    QStringList audioTracks; // handler names; "" for an untagged track
    QString videoCodec = QStringLiteral("libx264");
};

// Writes the clip to `path` (its container from the extension); answers false with ffmpeg's
// error text in `error`.
bool makeClip(const QString& path, const ClipSpec& spec, QString* error = nullptr);

} // namespace mebo::test
