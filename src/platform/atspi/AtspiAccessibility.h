#pragma once

#include "platform/Accessibility.h"

#include <QPoint>
#include <QSet>
#include <QString>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

typedef struct _AtspiAccessible AtspiAccessible;
typedef struct _GMainContext GMainContext;
typedef struct _GError GError;

namespace mebo::platform::atspi {

// What the elements of one tree share: objects handed back by elements that died on another
// thread (unreferenced on the AT-SPI thread), and whether the application stopped answering.
class ReleaseQueue {
public:
    void push(AtspiAccessible* object);
    void drain();
    // A call timed out: child listings are skipped for three seconds. AT-SPI thread only.
    void noteFailure(const GError* error);
    bool stalled() const;
    // Whether a call may still be made before the deadline; sets libatspi's reply timeout to the
    // time left (at most 0.8 s). AT-SPI thread only.
    bool beginCall();
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    // Applications (by bus name) whose windows answered a hit test. AT-SPI thread only.
    bool answeredHitTest(const QString& application) const;
    void noteHitTest(const QString& application);

private:
    qint64 stalledUntilMs_ = 0; // AT-SPI thread only
    QSet<QString> hitTested_;   // AT-SPI thread only
    std::mutex mutex_;          // guards objects_
    std::vector<AtspiAccessible*> objects_;
};

// The accessibility interface over AT-SPI 2 (libatspi). The first call initialises libatspi on
// the calling thread with a private GLib main context, so its D-Bus traffic is dispatched only
// there and never by the application's main loop; every later call must come from that thread
// (the locator's queue). Each call is a D-Bus round trip with a 0.8 s timeout, shorter when the
// search's deadline is nearer.
// "Trusted" means the accessibility bus answers and org.a11y.Status.IsEnabled is true.
class AtspiAccessibility : public Accessibility {
public:
    AtspiAccessibility();
    ~AtspiAccessibility() override;

    bool isTrusted() override;
    bool requestTrust() override;
    AXElement application(qint64 pid) override;
    void setDeadline(std::chrono::steady_clock::time_point deadline) override;

    // The AT-SPI role name in the accessibility vocabulary of the scroll-target rules.
    static QString roleName(int atspiRole, bool multiLine);

private:
    bool ensureInit();

    bool initialised_ = false;
    GMainContext* context_ = nullptr;
    std::shared_ptr<ReleaseQueue> releases_;
    qint64 trustCheckedAtMs_ = -1;
    bool trusted_ = false;
};

} // namespace mebo::platform::atspi
