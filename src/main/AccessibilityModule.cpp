#include "main/AccessibilityModule.h"

#include "app/AppLogger.h"
#include "capture/ScreenCaptureSvc.h"
#include "main/ModuleLoader.h"
#include "platform/Accessibility.h"
#include "platform/WindowServer.h"
#include "scroll/AccessibilityScrollLocator.h"
#include "scroll/ScrollCaptureSvc.h"

#include <QCoreApplication>

namespace mebo {

AccessibilityModule::AccessibilityModule(ScreenCaptureSvc& screenshots, platform::WindowServer& windows) {
    if (qEnvironmentVariable("MEBO_ACCESSIBILITY") == QLatin1String("off")) {
        return;
    }
    QString reason;
    using Factory = platform::Accessibility* (*)();
    auto create = reinterpret_cast<Factory>(resolveModuleFactory(QStringLiteral("libmebo_platform_atspi.so"),
                                                                 "mebo_create_accessibility", &reason));
    if (!create) {
        logWarning(QStringLiteral("[ScrollCapture] accessibility module not loaded: ") + reason);
        return;
    }
    std::shared_ptr<platform::Accessibility> ax(create());
    auto primaryHeight = [&screenshots] {
        const auto displays = screenshots.displays();
        for (const auto& d : displays) {
            if (d.primary) {
                return d.frame.height();
            }
        }
        return displays.isEmpty() ? 0 : displays.first().frame.height();
    };
    auto pidAt = [&windows, primaryHeight](const QPoint& point) {
        return ScrollCaptureSvc::ownerAt(windows.windowsFrontToBack(), point, primaryHeight(),
                                         QCoreApplication::applicationPid());
    };
    primaryHeight_ = primaryHeight;
    locator_ = std::make_unique<AccessibilityScrollLocator>(std::move(ax), primaryHeight, pidAt);
}

WindowSnapper::ContentQuery AccessibilityModule::contentAreaQuery() const {
    if (!locator_) {
        return nullptr;
    }
    AccessibilityScrollLocator* locator = locator_.get();
    auto primaryHeight = primaryHeight_;
    return [locator, primaryHeight](const platform::WindowInfo& window, const QPoint& point,
                                    WindowSnapper::ContentAnswer done) {
        // Window space and desktop space are each other's flip about the primary display.
        const int ph = primaryHeight();
        const QPoint at(point.x(), ph - point.y());
        locator->snapArea(
            window.pid, at, ScreenCaptureSvc::toDesktopSpace(window.frame, ph),
            [ph, done = std::move(done)](std::optional<AccessibilitySnapArea> found) {
                if (!found) {
                    done(std::nullopt);
                    return;
                }
                done(WindowSnapper::ContentArea{ScreenCaptureSvc::toDesktopSpace(found->frame, ph),
                                                found->hasVerticalScrollBar});
            },
            ScrollCaptureSvc::isBrowser(window.appId));
    };
}

AccessibilityModule::~AccessibilityModule() = default;

} // namespace mebo
