#include "support/PrivatePulse.h"
#include "support/TestUtil.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

namespace mebo::test {

bool PrivatePulse::start(QString* why) {
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()) {
        *why = QStringLiteral("pulseaudio is not installed (scripts/setup.sh installs it)");
        return false;
    }
    const QString log = dir_.filePath(QStringLiteral("server.log"));
    const bool started =
        server_.start({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                       "--log-target=stderr", "--log-level=0", "--load=module-null-sink sink_name=testsink",
                       "--load=module-null-sink sink_name=micsink",
                       "--load=module-native-protocol-unix auth-anonymous=1 socket=" +
                           dir_.filePath(QStringLiteral("native"))},
                      {"HOME=" + dir_.path(), "XDG_RUNTIME_DIR=" + dir_.path(),
                       "XDG_CONFIG_HOME=" + dir_.path() + "/config", "DISPLAY"},
                      log);
    if (!started) {
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
        if (!server_.running()) {
            break;
        }
        QThread::msleep(50);
    }
    QFile errors(log);
    errors.open(QIODevice::ReadOnly);
    *why =
        QStringLiteral("pulseaudio did not come up: ") + QString::fromLocal8Bit(errors.readAll()).trimmed();
    return false;
}

QByteArray PrivatePulse::pactl(const QStringList& args) const {
    const ProgramRun r = run(QStringList{QStringLiteral("pactl")} + args, env(), 10000);
    const QByteArray said = r.stdOut + r.err.toLocal8Bit();
    return said.isEmpty() && !r.ok() ? QByteArray("pactl failed") : said;
}

SinkRecorder::~SinkRecorder() = default;

bool SinkRecorder::start(const PrivatePulse& pulse, int rate) {
    return parec_.start({QStringLiteral("parec"), QStringLiteral("--device=testsink.monitor"),
                         QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                         QStringLiteral("--channels=1"), QStringLiteral("--rate=%1").arg(rate),
                         QStringLiteral("--latency-msec=20")},
                        pulse.env()) &&
           waitUntil([&] { return (recorded_ += parec_.readOutput()).size() >= rate / 10; }, 30000);
}

QByteArray SinkRecorder::take(qsizetype bytes) {
    waitUntil([&] { return (recorded_ += parec_.readOutput()).size() >= bytes; }, 30000);
    return std::exchange(recorded_, {});
}

int SinkRecorder::peakSoFar() {
    recorded_ += parec_.readOutput();
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
