#pragma once

#include "support/Process.h"

#include <QString>
#include <QTemporaryDir>

namespace mebo::test {

// A private PulseAudio server in its own runtime folder with null sinks ("testsink", the
// default, and "micsink", whose monitor stands in for a microphone); stopped by its PID.
class PrivatePulse {
public:
    PrivatePulse() = default;
    ~PrivatePulse() { stop(); }
    // False (with why) when pulseaudio is missing or did not come up.
    bool start(QString* why);
    QString address() const { return QStringLiteral("unix:") + dir_.filePath(QStringLiteral("native")); }
    // What makes a child's programs talk to this server.
    EnvChanges env() const { return {QStringLiteral("PULSE_SERVER=") + address()}; }
    // Runs pactl against this server; answers its output.
    QByteArray pactl(const QStringList& args) const;
    // Streams playing into its sinks.
    int sinkInputs() const {
        return int(pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")})
                       .count('\n'));
    }
    // Ends the server (also done by the destructor).
    void stop() { server_.stop(); }

private:
    QTemporaryDir dir_;
    Child server_;
};

// What "testsink" plays, read from its monitor as 16-bit mono by parec.
class SinkRecorder {
public:
    ~SinkRecorder();
    // Starts recording and waits for the monitor's first data (an idle null sink delivers silence),
    // which the next take() answers.
    bool start(const PrivatePulse& pulse, int rate);
    // Waits until at least `bytes` more have come (or 30 s pass); answers what came since the last call.
    QByteArray take(qsizetype bytes);
    // Reads what came so far and answers the peak of everything since the last take().
    int peakSoFar();
    static int peakOf(const QByteArray& s16);

private:
    Child parec_;
    QByteArray recorded_;
};

} // namespace mebo::test
