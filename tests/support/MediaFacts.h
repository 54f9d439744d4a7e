#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace mebo::test {

// What a player would see in a media file, read with the ffmpeg and ffprobe commands.
namespace media {

// Runs a command; answers its standard output (empty on failure or after `timeoutMs`).
QByteArray run(const QString& program, const QStringList& args, int timeoutMs = 120000);
// ffprobe's streams and format as JSON.
QJsonObject probe(const QString& path);
double formatDuration(const QString& path);
// Presentation times of the video frames, in seconds.
std::vector<double> frameTimes(const QString& path);
// The video as 8-bit grey frames of `width` x `height`.
std::vector<QByteArray> greyFrames(const QString& path, int width, int height);
// One audio track as mono float samples at 48 kHz.
std::vector<float> audioTrack(const QString& path, int track);
// Times (s) where the samples rise above `level` after at least `quietSec` below it.
std::vector<double> onsets(const std::vector<float>& samples, float level, double quietSec);
// Root-mean-square level of samples [fromSec, toSec).
double rms(const std::vector<float>& samples, double fromSec, double toSec);

} // namespace media
} // namespace mebo::test
