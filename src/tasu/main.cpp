// Tasu: global hotkeys for Mebo. Binds key combinations to mebo://capture?mode=… URLs and opens
// them with the desktop's URL handler when pressed.
#include "HotkeyBindings.h"
#include "HotkeyWindow.h"
#include "PortalShortcuts.h"
#include "TasuController.h"
#include "X11HotkeyGrabber.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

const char* kHelp = R"(Usage: tasu [--background] [--bindings FILE]

Global hotkeys for Mebo: each capture mode gets a key combination that works in every
application. Without --background the window to choose the keys opens; a second start shows
the running Tasu's window.

  --background      start without the window (the login session uses it)
  --bindings FILE   the bindings file (default ~/.config/tasu/bindings.json)
)";

QString serverName() {
    return QStringLiteral("tasu-%1").arg(::getuid());
}

// A key cap with a lightning mark, for trays whose icon theme has no keyboard icon.
QIcon trayIcon() {
    QIcon themed = QIcon::fromTheme(QStringLiteral("input-keyboard"));
    if (!themed.isNull()) {
        return themed;
    }
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        p.setPen(QPen(QColor(0xe8, 0xe8, 0xe8), 1.2));
        p.setBrush(QColor(0x3a, 0x3f, 0x47));
        p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 2.5, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xff, 0xc1, 0x07));
        p.drawPolygon(QPolygonF{QPointF(9, 4), QPointF(5, 8.6), QPointF(7.8, 8.6), QPointF(6.6, 12),
                                QPointF(11, 7.2), QPointF(8.2, 7.2)});
        icon.addPixmap(pixmap);
    }
    return icon;
}

std::unique_ptr<tasu::HotkeyBackend> chooseBackend() {
    const bool wayland = QGuiApplication::platformName() == QLatin1String("wayland") ||
                         qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    if (wayland && tasu::PortalShortcuts::isOffered()) {
        return std::make_unique<tasu::PortalShortcuts>();
    }
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) {
        return nullptr;
    }
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return std::make_unique<tasu::X11HotkeyGrabber>(connection, screen->root);
}

} // namespace

int main(int argc, char** argv) {
    bool background = false;
    QString bindingsPath;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--background") {
            background = true;
        } else if (a == "--bindings" && i + 1 < argc) {
            bindingsPath = QString::fromLocal8Bit(argv[++i]);
        } else if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "tasu: unknown option '%s' (see 'tasu --help')\n", argv[i]);
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fputs("tasu: no display to bind keys on (DISPLAY is not set)\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tasu"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tasu"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(trayIcon());
    if (bindingsPath.isEmpty()) {
        bindingsPath = tasu::HotkeyBindings::defaultPath();
    }

    // One Tasu per user: a second start shows the first one's window.
    {
        QLocalSocket probe;
        probe.connectToServer(serverName());
        if (probe.waitForConnected(300)) {
            probe.write(background ? "start\n" : "show\n");
            probe.waitForBytesWritten(1000);
            return 0;
        }
    }
    QLocalServer::removeServer(serverName());
    QLocalServer server;
    server.setSocketOptions(QLocalServer::UserAccessOption);
    server.listen(serverName());

    std::unique_ptr<tasu::HotkeyBackend> backend = chooseBackend();
    if (!backend) {
        std::fputs("tasu: this desktop offers no way to bind global keys (no X11 connection, no portal)\n",
                   stderr);
        return 1;
    }
    tasu::TasuController controller(*backend, bindingsPath,
                                    [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); });
    controller.start();
    tasu::HotkeyWindow window(controller);
    auto showWindow = [&window] {
        window.show();
        window.raise();
        window.activateWindow();
    };
    QObject::connect(&server, &QLocalServer::newConnection, &server, [&server, showWindow] {
        while (QLocalSocket* peer = server.nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::readyRead, peer, [peer, showWindow] {
                if (peer->readAll().startsWith("show")) {
                    showWindow();
                }
                peer->deleteLater();
            });
        }
    });

    std::unique_ptr<QSystemTrayIcon> tray;
    QMenu trayMenu;
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        trayMenu.addAction(QStringLiteral("Choose Keys..."), showWindow);
        trayMenu.addAction(QStringLiteral("Quit Tasu"), &app, &QCoreApplication::quit);
        tray = std::make_unique<QSystemTrayIcon>(trayIcon());
        tray->setToolTip(QStringLiteral("Tasu: hotkeys for Mebo"));
        tray->setContextMenu(&trayMenu);
        tray->show();
    }
    if (!background) {
        showWindow();
    }
    std::fprintf(stderr, "[Tasu] ready (%s)\n", backend->name().toUtf8().constData());
    std::fflush(stderr);
    return app.exec();
}
