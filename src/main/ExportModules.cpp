#include "main/ExportModules.h"

#include "main/ModuleLoader.h"
#include "platform/gif/QuantizedGifWriter.h"

namespace mebo {

namespace {

template <typename T>
std::unique_ptr<T> create(const char* symbol, QString* error,
                          const QString& module = QStringLiteral("libmebo_platform_ffmpeg.so")) {
    QString reason;
    using Factory = T* (*)();
    if (auto factory = reinterpret_cast<Factory>(resolveModuleFactory(module, symbol, &reason))) {
        return std::unique_ptr<T>(factory());
    }
    *error = QStringLiteral("media module not loaded: ") + reason;
    return nullptr;
}

} // namespace

std::unique_ptr<platform::VideoComposer> loadVideoComposer(QString* error) {
    return create<platform::VideoComposer>("mebo_create_video_composer", error);
}

std::unique_ptr<platform::VideoFrameGenerator> loadFrameGenerator(QString* error) {
    return create<platform::VideoFrameGenerator>("mebo_create_frame_generator", error);
}

std::unique_ptr<platform::EditedAudioSource> loadEditedAudio(QString* error) {
    return create<platform::EditedAudioSource>("mebo_create_edited_audio", error);
}

std::unique_ptr<platform::AudioOutput> loadAudioOutput(QString* error) {
    return create<platform::AudioOutput>("mebo_create_audio_output", error,
                                         QStringLiteral("libmebo_platform_pulse.so"));
}

std::unique_ptr<platform::GifWriter> makeGifWriter() {
    return std::make_unique<platform::QuantizedGifWriter>();
}

} // namespace mebo
