#include "platform/pulse/PulseSoundPlayer.h"

// The sound backend is a module the application loads when it first needs sound: its libraries
// (PulseAudio and the codecs libsndfile pulls in) then cost nothing to commands that never play.
extern "C" __attribute__((visibility("default"))) mebo::platform::SoundPlayer* mebo_create_sound_player() {
    return new mebo::platform::PulseSoundPlayer();
}

// Audio capture lives in the same module (one entry point per service).
#include "platform/pulse/PulseAudioCapture.h"

extern "C" __attribute__((visibility("default"))) mebo::platform::AudioCapture* mebo_create_audio_capture() {
    return new mebo::platform::PulseAudioCapture();
}

// The video editor's sound (one stream per open player).
#include "platform/pulse/PulseAudioOutput.h"

extern "C" __attribute__((visibility("default"))) mebo::platform::AudioOutput* mebo_create_audio_output() {
    return new mebo::platform::PulseAudioOutput();
}
