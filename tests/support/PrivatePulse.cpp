#include "support/PrivatePulse.h"
#include "support/TestUtil.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>
#include <csignal>

namespace mebo::test {

PrivatePulse::PrivatePulse() = default;

PrivatePulse::~PrivatePulse() {
    stop();
}

void PrivatePulse::stop() {
    if (server_.state() != QProcess::NotRunning) {
        ::kill(pid_t(server_.processId()), SIGTERM);
        if (!server_.waitForFinished(5000)) {
            ::kill(pid_t(server_.processId()), SIGKILL);
            server_.waitForFinished(5000);
        }
    }
}

bool PrivatePulse::start(QString* why) {
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()) {
        *why = QStringLiteral("pulseaudio is not installed (scripts/setup.sh installs it)");
        return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir_.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.path() + QStringLiteral("/config"));
    env.remove(QStringLiteral("DISPLAY"));
    server_.setProcessEnvironment(env);
    server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_.setStandardOutputFile(QProcess::nullDevice());
    server_.start(QStringLiteral("pulseaudio"),
                  {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                   QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                   QStringLiteral("--log-target=stderr"), QStringLiteral("--log-level=0"),
                   QStringLiteral("--load=module-null-sink sink_name=testsink"),
                   QStringLiteral("--load=module-null-sink sink_name=micsink"),
                   QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") +
                       dir_.filePath(QStringLiteral("native"))});
    if (!server_.waitForStarted(10000)) {
        *why = QStringLiteral("pulseaudio did not start");
        return false;
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (QFileInfo::exists(dir_.filePath(QStringLiteral("native"))) &&
            pactl({QStringLiteral("set-default-sink"), QStringLiteral("testsink")}).isEmpty() &&
            pactl({QStringLiteral("get-default-sink")}).trimmed() == "testsink") {
            return true;
        }
        if (server_.state() == QProcess::NotRunning) {
            break;
        }
        QThread::msleep(50);
    }
    *why = QStringLiteral("pulseaudio did not come up");
    return false;
}

void PrivatePulse::apply(QProcessEnvironment& env) const {
    env.insert(QStringLiteral("PULSE_SERVER"), address());
}

QByteArray PrivatePulse::pactl(const QStringList& args) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    apply(env);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("pactl"), args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return "timed out";
    }
    return p.readAllStandardOutput() + p.readAllStandardError();
}

SinkRecorder::~SinkRecorder() {
    if (parec_.state() != QProcess::NotRunning) {
        parec_.kill();
        parec_.waitForFinished(5000);
    }
}

bool SinkRecorder::start(const PrivatePulse& pulse, int rate) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    pulse.apply(env);
    parec_.setProcessEnvironment(env);
    parec_.start(QStringLiteral("parec"),
                 {QStringLiteral("--device=testsink.monitor"), QStringLiteral("--raw"),
                  QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                  QStringLiteral("--rate=%1").arg(rate), QStringLiteral("--latency-msec=20")});
    return parec_.waitForStarted(10000) &&
           waitUntil([&] { return (recorded_ += parec_.readAllStandardOutput()).size() >= rate / 10; },
                     30000);
}

QByteArray SinkRecorder::take(qsizetype bytes) {
    waitUntil([&] { return (recorded_ += parec_.readAllStandardOutput()).size() >= bytes; }, 30000);
    return std::exchange(recorded_, {});
}

int SinkRecorder::peakSoFar() {
    recorded_ += parec_.readAllStandardOutput();
    return peakOf(recorded_);
}

int SinkRecorder::peakOf(const QByteArray& s16) {
    int peak = 0;
    for (qsizetype i = 0; i + 1 < s16.size(); i += 2) {
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(s16.constData() + i))));
    }
    return peak;
}

} // namespace mebo::test
