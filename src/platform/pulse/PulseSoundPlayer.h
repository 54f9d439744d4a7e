#pragma once

#include "platform/SoundPlayer.h"
#include "platform/pulse/DecodedSound.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

struct pa_simple;

namespace mebo::platform {

// Plays one decoded sound through the PulseAudio simple API (also served by PipeWire's pulse
// server) on its own worker thread "mebo.sound". load(), play() and beep() are for one thread
// (the main thread); the worker only reads the sound it was handed.
class PulseSoundPlayer : public SoundPlayer {
public:
    // `startTimeoutMs`: how long play() waits to learn whether the server accepted the stream.
    explicit PulseSoundPlayer(int startTimeoutMs = 400);
    // Stops playback and joins the worker.
    ~PulseSoundPlayer() override;

    PulseSoundPlayer(const PulseSoundPlayer&) = delete;
    PulseSoundPlayer& operator=(const PulseSoundPlayer&) = delete;

    bool load(const QString& path) override;
    // Answers at once while a stream to the server is open (the worker restarts on it), else once
    // the server has accepted or refused a new stream; the samples are written by the worker.
    // False without a loaded sound or a reachable server.
    bool play() override;
    // Stops the sound being played, if any.
    void stop();
    // Rings the X bell; nothing without a display.
    void beep() override;

    // Why the last load() or play() failed.
    QString lastError() const;
    // Whether the worker is writing samples to the server now.
    bool isPlaying() const;

private:
    struct Request {
        uint64_t generation = 0;
        std::shared_ptr<const DecodedSound> sound; // null: stop
        QString name;
    };

    void post(std::shared_ptr<const DecodedSound> sound);
    void run();
    enum class Outcome { finished, superseded, broken };
    // Worker: writes `sound` to `stream` until done or until a newer request arrives.
    Outcome playOn(::pa_simple* stream, const DecodedSound& sound, uint64_t generation);
    bool superseded(uint64_t generation) const;

    const int startTimeoutMs_;
    std::shared_ptr<const DecodedSound> sound_; // the caller's thread only
    QString soundName_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;    // the worker waits for requests
    std::condition_variable started_; // play() waits for the start outcome
    Request request_;                 // the newest request
    uint64_t served_ = 0;             // the newest request the worker took
    uint64_t startedGeneration_ = 0;  // the request whose start outcome is known
    bool startOk_ = false;
    bool playing_ = false;
    bool streamOpen_ = false; // the worker holds a working stream
    bool stopping_ = false;
    QString error_;
    std::thread worker_; // started by the first play()
};

} // namespace mebo::platform
