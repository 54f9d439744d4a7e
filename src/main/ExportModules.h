#pragma once

#include "platform/AudioOutput.h"
#include "platform/EditedAudioSource.h"
#include "platform/VideoComposer.h"
#include "platform/VideoFrameGenerator.h"

#include <QString>
#include <memory>

namespace mebo {

// The export services of the FFmpeg module (loaded on first use, beside the executable in a build
// tree or from lib/mebo when installed): the export session and the frame generator of the GIF
// export. Null with the reason when the module cannot be loaded.
std::unique_ptr<platform::VideoComposer> loadVideoComposer(QString* error);
std::unique_ptr<platform::VideoFrameGenerator> loadFrameGenerator(QString* error);
// The video editor's sound: the edit's audio decoded by the FFmpeg module, played through the
// sound module (PulseAudio).
std::unique_ptr<platform::EditedAudioSource> loadEditedAudio(QString* error);
std::unique_ptr<platform::AudioOutput> loadAudioOutput(QString* error);
// The GIF writer (libimagequant + giflib).
std::unique_ptr<platform::GifWriter> makeGifWriter();

} // namespace mebo
