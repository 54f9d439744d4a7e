#pragma once

#include "support/Files.h"
#include "support/Process.h"
#include "support/TestUtil.h"

#include <QDBusConnection>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo::test {

// A private session bus without activatable services, for one test. The daemon dies with this
// process even when a failing test never reaches its tear-down.
class PrivateBus {
public:
    // Call with ASSERT_NO_FATAL_FAILURE from the fixture's SetUp.
    void start() {
        ASSERT_TRUE(dir.isValid());
        const QString config = dir.filePath(QStringLiteral("bus.conf"));
        writeBytes(
            config,
            QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                           "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
                           "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                           "</busconfig>")
                .arg(dir.path())
                .toUtf8());
        // setpriv gives the daemon its parent-death signal: posix_spawn runs no code in the child.
        ASSERT_TRUE(daemon.start({QStringLiteral("setpriv"), QStringLiteral("--pdeathsig=KILL"),
                                  QStringLiteral("dbus-daemon"), QStringLiteral("--config-file=") + config,
                                  QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                                  QStringLiteral("--print-address=1")}))
            << "dbus-daemon is needed";
        QByteArray said;
        ASSERT_TRUE(waitUntil([&] { return (said += daemon.readOutput()).contains('\n'); }, 5000));
        address = QString::fromUtf8(said).trimmed();
    }
    void stop() {
        for (const QString& name : std::exchange(connections, {})) {
            QDBusConnection::disconnectFromBus(name);
        }
        daemon.stop();
    }
    ~PrivateBus() { stop(); }
    QDBusConnection connect(const QString& name) {
        connections << name;
        return QDBusConnection::connectToBus(address, name);
    }

    QTemporaryDir dir;
    Child daemon;
    QString address;
    QStringList connections;
};

} // namespace mebo::test
