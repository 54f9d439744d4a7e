#include "main/PlatformLoader.h"

#include "platform/null/NullPlatform.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11FrameSource.h"
#include "platform/x11/X11PointerButtons.h"
#include "platform/x11/X11PointerLocator.h"
#include "platform/x11/X11ScreenCapture.h"
#include "platform/x11/X11WindowServer.h"

#include <QByteArray>

namespace mebo {

namespace {

ScreenBackends nullBackends(const QString& reason) {
    ScreenBackends b;
    b.name = QStringLiteral("null");
    b.unavailableReason = reason;
    b.screen = std::make_unique<platform::NullScreenCapture>(reason);
    b.windows = std::make_unique<platform::NullWindowServer>();
    b.pointer = std::make_unique<platform::NullPointerLocator>();
    b.frames = std::make_unique<platform::NullScreenFrameSource>(reason);
    return b;
}

ScreenBackends x11Backends() {
    auto conn = platform::x11::X11Connection::open();
    if (!conn) {
        return nullBackends(conn.error());
    }
    std::shared_ptr<platform::x11::X11Connection> c = conn.value();
    ScreenBackends b;
    b.name = QStringLiteral("x11");
    b.connection = c;
    b.screen = std::make_unique<platform::x11::X11ScreenCapture>(c);
    b.windows = std::make_unique<platform::x11::X11WindowServer>(c);
    b.pointer = std::make_unique<platform::x11::X11PointerLocator>(c);
    b.frames = std::make_unique<platform::x11::X11FrameSource>(c->displayName());
    b.buttons = std::make_unique<platform::x11::X11PointerButtons>(c);
    return b;
}

} // namespace

ScreenBackends loadScreenBackends() {
    const QByteArray forced = qgetenv("MEBO_PLATFORM");
    if (forced == "null") {
        return nullBackends(QStringLiteral("screen capture is switched off (MEBO_PLATFORM=null)"));
    }
    if (forced == "x11" || !qEnvironmentVariableIsEmpty("DISPLAY")) {
        return x11Backends();
    }
    if (!forced.isEmpty()) {
        return nullBackends(QStringLiteral("unknown screen backend '%1' in MEBO_PLATFORM (known: x11, null)")
                                .arg(QString::fromLocal8Bit(forced)));
    }
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return nullBackends(
            QStringLiteral("this Wayland session offers no X display; run Mebo in an X11 session or "
                           "with XWayland (DISPLAY set)"));
    }
    return nullBackends(QStringLiteral("no X display: DISPLAY is not set"));
}

} // namespace mebo
