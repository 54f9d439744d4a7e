#include "platform/pulse/PulseSoundPlayer.h"

// The sound backend is a module the application loads when it first needs sound: its libraries
// (PulseAudio and the codecs libsndfile pulls in) then cost nothing to commands that never play.
extern "C" __attribute__((visibility("default"))) mebo::platform::SoundPlayer* mebo_create_sound_player() {
    return new mebo::platform::PulseSoundPlayer();
}
