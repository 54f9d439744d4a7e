#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

namespace mebo::test {

// Clips whose every frame carries its own index, drawn as ten black-or-white blocks (bit i at
// x = 32 i ... 32 i + 31, rows 0...39; more than 1023 frames wrap), over a grey ramp; and one sine
// tone per audio track (tones[i] Hz, tagged with names[i]).
struct IndexedClipShape {
    double seconds = 4;
    QSize size{320, 240};
    int fps = 30;
    QList<int> tones{440, 1320};
    QStringList names{QStringLiteral("System audio"), QStringLiteral("Microphone")};
};

bool makeIndexedClip(const QString& path, const IndexedClipShape& shape, QString* error = nullptr);
// A test clip: lavfi testsrc2 pictures and one sine tone per audio track, each track tagged with
// its handler name unless that is empty (the container from the path's extension).
struct ClipSpec {
    double seconds = 2;
    QSize size{320, 240};
    int fps = 25;
    QStringList audioTracks;
    QString videoCodec = QStringLiteral("libx264");
};
bool makeClip(const QString& path, const ClipSpec& spec, QString* error = nullptr);
// A solid colour clip ("red", "#00ff00", ...) without audio, for webcam tests.
bool makeColourClip(const QString& path, const QString& colour, QSize size, double seconds,
                    QString* error = nullptr);

// The index one frame carries, read as frameIndices() does.
int frameIndex(const QImage& frame, QPoint origin = {0, 0}, double scale = 1);
// The frame indices of a video whose frames carry them, reading the blocks at `origin` (top-left of
// the block row in the output) scaled by `scale`; -1 where nothing can be read.
std::vector<int> frameIndices(const QString& path, QSize size, QPoint origin = {0, 0}, double scale = 1);
// Every frame of a video as RGB32 pictures of `size` (a few seconds of small video only).
std::vector<QImage> rgbFrames(const QString& path, QSize size);
// The level of a tone (Goertzel magnitude, about half the amplitude for a pure sine) in mono
// 48 kHz samples over [fromSec, toSec).
double toneLevel(const std::vector<float>& samples, double hz, double fromSec, double toSec);

} // namespace mebo::test
