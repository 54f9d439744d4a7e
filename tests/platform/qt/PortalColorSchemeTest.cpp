#include "platform/qt/PortalColorScheme.h"

#include "PrivateBus.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>

using mebo::platform::PortalColorScheme;
using mebo::test::waitUntil;

namespace {

// The portal's Settings interface, answering from its own thread: the client's Read blocks the
// main thread, so a reply served there would never be sent.
class FakePortalSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    std::atomic<int> scheme{1};
    std::atomic<bool> wrapTwice{true};
    std::atomic<int> reads{0};

public Q_SLOTS:
    QDBusVariant Read(const QString& group, const QString& key) {
        ++reads;
        if (group != QLatin1String("org.freedesktop.appearance") || key != QLatin1String("color-scheme")) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                           QStringLiteral("no such key"));
            return {};
        }
        if (scheme < 0) { // a value of the wrong type
            return QDBusVariant(QVariant::fromValue(QDBusVariant(QStringLiteral("dark"))));
        }
        const QVariant value = QVariant::fromValue(uint(scheme));
        return wrapTwice ? QDBusVariant(QVariant::fromValue(QDBusVariant(value))) : QDBusVariant(value);
    }
};

// A private session bus for each test.
class PortalColorSchemeTest : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(__SANITIZE_THREAD__)
        // Qt D-Bus's own thread unregisters the served object under Qt's locks, and QThread::wait
        // ends the portal's thread there too: the checker sees neither hand-over.
        GTEST_SKIP() << "Qt D-Bus is not instrumented for ThreadSanitizer";
#endif
        ASSERT_NO_FATAL_FAILURE(privateBus.start());
        portalThread.start();
        portal.moveToThread(&portalThread);
    }
    void TearDown() override {
        privateBus.stop();
        portalThread.quit();
        portalThread.wait();
    }
    // Serves the fake portal under the portal's name.
    QDBusConnection servePortal() {
        QDBusConnection service = privateBus.connect(QStringLiteral("mebo-test-portal"));
        EXPECT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                           QDBusConnection::ExportAllSlots));
        EXPECT_TRUE(service.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        return service;
    }
    static void emitChange(QDBusConnection& service, const QString& group, const QString& key,
                           const QVariant& value) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                         QStringLiteral("org.freedesktop.portal.Settings"),
                                                         QStringLiteral("SettingChanged"));
        signal << group << key << QVariant::fromValue(QDBusVariant(value));
        ASSERT_TRUE(service.send(signal));
    }

    mebo::test::PrivateBus privateBus;
    QThread portalThread;
    FakePortalSettings portal;
};

TEST_F(PortalColorSchemeTest, ReadsTheAppearanceSettingFromThePortal) {
    servePortal();
    PortalColorScheme scheme(privateBus.connect(QStringLiteral("mebo-test-client")));
    EXPECT_EQ(scheme.prefersDark(), true); // 1: prefer dark, answered wrapped twice
    portal.scheme = 2;
    EXPECT_EQ(scheme.prefersDark(), false); // prefer light
    portal.scheme = 0;
    portal.wrapTwice = false;
    EXPECT_EQ(scheme.prefersDark(), false); // no preference
    portal.scheme = 1;
    EXPECT_EQ(scheme.prefersDark(), true);
    portal.scheme = -1;
    EXPECT_EQ(scheme.prefersDark(), std::nullopt); // not a number
    EXPECT_EQ(portal.reads, 5);
}

TEST_F(PortalColorSchemeTest, NoBusOrNoPortalAnswersNothing) {
    PortalColorScheme scheme(privateBus.connect(QStringLiteral("mebo-test-client")));
    EXPECT_EQ(scheme.prefersDark(), std::nullopt); // bus without a portal

    privateBus.stop();
    PortalColorScheme disconnected(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                 QStringLiteral("mebo-test-nobus")));
    privateBus.connections << QStringLiteral("mebo-test-nobus");
    EXPECT_EQ(disconnected.prefersDark(), std::nullopt);
    disconnected.setChangeHandler([](std::optional<bool>) {}); // no bus to subscribe on: harmless
}

TEST_F(PortalColorSchemeTest, FollowsTheDesktopsChanges) {
    QDBusConnection service = servePortal();
    PortalColorScheme scheme(privateBus.connect(QStringLiteral("mebo-test-client")));
    QList<std::optional<bool>> seen;
    scheme.setChangeHandler([&](std::optional<bool> dark) { seen << dark; });
    // The subscription matches the portal's unique name once the bus has told it; until then a
    // signal may pass unseen, so prime it until one arrives.
    ASSERT_TRUE(waitUntil(
        [&] {
            emitChange(service, QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                       0u);
            return waitUntil([&] { return !seen.isEmpty(); }, 50);
        },
        5000));
    mebo::test::drainEvents();
    seen.clear();

    emitChange(service, QStringLiteral("org.freedesktop.appearance"), QStringLiteral("accent-color"), 3u);
    emitChange(service, QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("color-scheme"), 1u);
    emitChange(service, QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), 1u);
    emitChange(service, QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), 2u);
    ASSERT_TRUE(waitUntil([&] { return seen.size() >= 2; }));
    mebo::test::drainEvents();
    EXPECT_EQ(seen, (QList<std::optional<bool>>{true, false})); // other settings are ignored
}

} // namespace

#include "PortalColorSchemeTest.moc"
