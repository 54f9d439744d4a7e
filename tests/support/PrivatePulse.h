#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace mebo::test {

// A private PulseAudio server in its own runtime folder with null sinks ("testsink", the
// default, and "micsink", whose monitor stands in for a microphone); stopped by its PID.
class PrivatePulse {
public:
    PrivatePulse();
    ~PrivatePulse();
    // False (with why) when pulseaudio is missing or did not come up.
    bool start(QString* why);
    QString address() const { return QStringLiteral("unix:") + dir_.filePath(QStringLiteral("native")); }
    // `env` with this server as the one its programs talk to.
    void apply(QProcessEnvironment& env) const;
    // Runs pactl against this server; answers its output.
    QByteArray pactl(const QStringList& args) const;

private:
    QTemporaryDir dir_;
    QProcess server_;
};

} // namespace mebo::test
