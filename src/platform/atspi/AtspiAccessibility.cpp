#include "platform/atspi/AtspiAccessibility.h"

#include <QDateTime>
#include <QSet>
#include <atspi/atspi.h>
#include <gio/gio.h>

namespace mebo::platform::atspi {

namespace {

constexpr int kMaxChildren = 600; // a list of thousands of rows is walked no further than this

// An AtspiAccessible with a reference of its own.
class AtspiElement : public AccessibilityElement {
public:
    AtspiElement(AtspiAccessible* object, std::shared_ptr<ReleaseQueue> releases)
        : object_(object), releases_(std::move(releases)) {}
    ~AtspiElement() override { releases_->push(object_); }

    QString role() override {
        if (!releases_->beginCall()) {
            return {};
        }
        GError* error = nullptr;
        const AtspiRole r = atspi_accessible_get_role(object_, &error);
        if (error) {
            g_error_free(error);
            return {};
        }
        bool multiLine = false;
        if (r == ATSPI_ROLE_ENTRY || r == ATSPI_ROLE_TEXT) {
            AtspiStateSet* states = atspi_accessible_get_state_set(object_);
            multiLine = states && atspi_state_set_contains(states, ATSPI_STATE_MULTI_LINE);
            if (states) {
                g_object_unref(states);
            }
        }
        return AtspiAccessibility::roleName(int(r), multiLine);
    }

    std::optional<QRect> frame() override {
        if (!releases_->beginCall()) {
            return std::nullopt;
        }
        AtspiComponent* c = atspi_accessible_get_component_iface(object_);
        if (!c) {
            return std::nullopt;
        }
        GError* error = nullptr;
        AtspiRect* r = atspi_component_get_extents(c, ATSPI_COORD_TYPE_SCREEN, &error);
        g_object_unref(c);
        std::optional<QRect> out;
        if (!error && r && r->width >= 0 && r->height >= 0) {
            out = QRect(r->x, r->y, r->width, r->height);
        }
        if (error) {
            g_error_free(error);
        }
        g_free(r);
        if (!out && atspi_accessible_get_role(object_, nullptr) == ATSPI_ROLE_DOCUMENT_WEB) {
            // Firefox gives its documents no extents: a page fills the frame that shows it.
            if (AXElement holder = parent(); holder && holder.get() != this) {
                out = holder->frame();
            }
        }
        return out;
    }

    AXElement parent() override {
        if (!releases_->beginCall()) {
            return nullptr;
        }
        GError* error = nullptr;
        return wrap(atspi_accessible_get_parent(object_, &error), error);
    }

    QList<AXElement> elements(List which, int limit) override {
        // AT-SPI has one list of children; tables, tabs and windows are children too.
        if (which != List::children && which != List::windows) {
            return {};
        }
        QList<AXElement> out;
        // An application that let a child listing time out is not asked for more lists for a
        // while: a walk of its tree would wait out one timeout per element.
        if (releases_->stalled() || !releases_->beginCall()) {
            return out;
        }
        GError* error = nullptr;
        const int n = atspi_accessible_get_child_count(object_, &error);
        if (error) {
            releases_->noteFailure(error);
            g_error_free(error);
            return out;
        }
        for (int i = 0; i < n && i < std::min(limit, kMaxChildren) && releases_->beginCall(); ++i) {
            error = nullptr;
            AtspiAccessible* child = atspi_accessible_get_child_at_index(object_, i, &error);
            if (error || !child) {
                if (error) {
                    releases_->noteFailure(error);
                    g_error_free(error);
                }
                if (child) {
                    g_object_unref(child);
                }
                break;
            }
            out << std::make_shared<AtspiElement>(child, releases_);
        }
        return out;
    }

    AXElement verticalScrollBar() override { return nullptr; }

    QString orientation() override {
        if (!releases_->beginCall()) {
            return {};
        }
        AtspiStateSet* states = atspi_accessible_get_state_set(object_);
        QString out;
        if (states && atspi_state_set_contains(states, ATSPI_STATE_VERTICAL)) {
            out = QStringLiteral("AXVerticalOrientation");
        } else if (states && atspi_state_set_contains(states, ATSPI_STATE_HORIZONTAL)) {
            out = QStringLiteral("AXHorizontalOrientation");
        } else if (const auto f = frame(); f && !f->isEmpty()) {
            // Qt sets neither state on its scroll bars.
            out = f->height() > f->width() ? QStringLiteral("AXVerticalOrientation")
                                           : QStringLiteral("AXHorizontalOrientation");
        }
        if (states) {
            g_object_unref(states);
        }
        return out;
    }

    bool isHidden() override {
        if (!releases_->beginCall()) {
            return false;
        }
        AtspiStateSet* states = atspi_accessible_get_state_set(object_);
        // A call that failed answers an empty or defunct set: not known to be hidden.
        const bool hidden = states && !atspi_state_set_is_empty(states) &&
                            !atspi_state_set_contains(states, ATSPI_STATE_DEFUNCT) &&
                            !atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
        if (states) {
            g_object_unref(states);
        }
        return hidden;
    }

    qint64 pid() override {
        if (!releases_->beginCall()) {
            return 0;
        }
        GError* error = nullptr;
        const guint p = atspi_accessible_get_process_id(object_, &error);
        if (error) {
            g_error_free(error);
            return 0;
        }
        return qint64(p);
    }

    AXElement elementAt(const QPoint& point) override {
        // The hit test only searches below the object asked, and some toolkits answer the object
        // itself: descend until nothing deeper answers.
        AtspiAccessible* current = object_;
        g_object_ref(current);
        for (int depth = 0; depth < 64 && releases_->beginCall(); ++depth) {
            // An application is asked through its windows even when it offers a component:
            // Chromium's answers nothing at any point.
            AtspiComponent* c = atspi_accessible_get_role(current, nullptr) == ATSPI_ROLE_APPLICATION
                                    ? nullptr
                                    : atspi_accessible_get_component_iface(current);
            AtspiAccessible* hit = nullptr;
            if (c) {
                hit = hitTest(c, point);
                // Firefox answers a window's first hit tests with nothing while it fetches the
                // page's bounds from its content process (tens of milliseconds); an application
                // that answered once is not asked again.
                const QString app = applicationKey(current);
                const AtspiRole role = atspi_accessible_get_role(current, nullptr);
                if (!hit && !releases_->answeredHitTest(app) &&
                    (role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_WINDOW || role == ATSPI_ROLE_DIALOG)) {
                    for (int waitMs = 20; !hit && waitMs <= 160 && releases_->beginCall(); waitMs *= 2) {
                        g_usleep(gulong(waitMs) * 1000);
                        hit = hitTest(c, point);
                    }
                }
                if (hit) {
                    releases_->noteHitTest(app);
                }
                g_object_unref(c);
            } else {
                // An application has no component: ask its windows.
                GError* error = nullptr;
                const int n = atspi_accessible_get_child_count(current, &error);
                if (error) {
                    g_error_free(error);
                }
                // Several windows of one application may hold the point (a browser's windows
                // on top of each other): the active one is the one in front, else the first.
                bool hitActive = false;
                for (int i = 0; i < n && !hitActive; ++i) {
                    AtspiAccessible* w = atspi_accessible_get_child_at_index(current, i, nullptr);
                    if (!w) {
                        continue;
                    }
                    AtspiComponent* wc = atspi_accessible_get_component_iface(w);
                    if (wc && atspi_component_contains(wc, point.x(), point.y(), ATSPI_COORD_TYPE_SCREEN,
                                                       nullptr)) {
                        AtspiStateSet* states = atspi_accessible_get_state_set(w);
                        hitActive = states && atspi_state_set_contains(states, ATSPI_STATE_ACTIVE);
                        if (states) {
                            g_object_unref(states);
                        }
                        if (!hit || hitActive) {
                            if (hit) {
                                g_object_unref(hit);
                            }
                            hit = w;
                            w = nullptr;
                        }
                    }
                    if (wc) {
                        g_object_unref(wc);
                    }
                    if (w) {
                        g_object_unref(w);
                    }
                }
            }
            if (!hit || hit == current) {
                if (hit) {
                    g_object_unref(hit);
                }
                break;
            }
            g_object_unref(current);
            current = hit;
        }
        if (current == object_) {
            g_object_unref(current);
            return nullptr;
        }
        return std::make_shared<AtspiElement>(current, releases_);
    }

    bool focus() override {
        if (!releases_->beginCall()) {
            return false;
        }
        AtspiComponent* c = atspi_accessible_get_component_iface(object_);
        if (!c) {
            return false;
        }
        GError* error = nullptr;
        const bool ok = atspi_component_grab_focus(c, &error);
        if (error) {
            g_error_free(error);
        }
        g_object_unref(c);
        return ok;
    }

    QString key() override {
        AtspiObject* o = ATSPI_OBJECT(object_);
        return applicationKey(object_) + QLatin1Char(':') + QString::fromUtf8(o->path ? o->path : "");
    }

private:
    static QString applicationKey(AtspiAccessible* object) {
        AtspiObject* o = ATSPI_OBJECT(object);
        return QString::fromUtf8(o->app && o->app->bus_name ? o->app->bus_name : "");
    }

    static AtspiAccessible* hitTest(AtspiComponent* c, const QPoint& point) {
        GError* error = nullptr;
        AtspiAccessible* hit =
            atspi_component_get_accessible_at_point(c, point.x(), point.y(), ATSPI_COORD_TYPE_SCREEN, &error);
        if (error) {
            g_error_free(error);
        }
        return hit;
    }

    AXElement wrap(AtspiAccessible* object, GError* error) {
        if (error) {
            g_error_free(error);
        }
        if (!object) {
            return nullptr;
        }
        return std::make_shared<AtspiElement>(object, releases_);
    }

    AtspiAccessible* object_;
    std::shared_ptr<ReleaseQueue> releases_;
};

GDBusConnection* sessionBus() {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (error) {
        g_error_free(error);
        return nullptr;
    }
    return bus;
}

// org.a11y.Status.IsEnabled on the session bus's accessibility launcher; nothing when it does
// not answer (no accessibility bus at all).
std::optional<bool> statusEnabled(GDBusConnection* bus) {
    GError* error = nullptr;
    GVariant* reply =
        g_dbus_connection_call_sync(bus, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties",
                                    "Get", g_variant_new("(ss)", "org.a11y.Status", "IsEnabled"),
                                    G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, 1500, nullptr, &error);
    if (error) {
        g_error_free(error);
        return std::nullopt;
    }
    GVariant* inner = nullptr;
    g_variant_get(reply, "(v)", &inner);
    const bool enabled =
        inner && g_variant_is_of_type(inner, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(inner);
    if (inner) {
        g_variant_unref(inner);
    }
    g_variant_unref(reply);
    return enabled;
}

} // namespace

void ReleaseQueue::noteFailure(const GError* error) {
    if (error &&
        (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_TIMED_OUT) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_REPLY) ||
         QByteArray(error->message).contains("imeout") || QByteArray(error->message).contains("o reply"))) {
        stalledUntilMs_ = QDateTime::currentMSecsSinceEpoch() + 3000;
    }
}

bool ReleaseQueue::beginCall() {
    using namespace std::chrono;
    if (deadline == steady_clock::time_point::max()) {
        atspi_set_timeout(800, 3000);
        return true;
    }
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) {
        return false;
    }
    atspi_set_timeout(int(std::min<qint64>(left, 800)), 3000);
    return true;
}

bool ReleaseQueue::answeredHitTest(const QString& application) const {
    return hitTested_.contains(application);
}

void ReleaseQueue::noteHitTest(const QString& application) {
    hitTested_.insert(application);
}

bool ReleaseQueue::stalled() const {
    return QDateTime::currentMSecsSinceEpoch() < stalledUntilMs_;
}

void ReleaseQueue::push(AtspiAccessible* object) {
    std::lock_guard lock(mutex_);
    objects_.push_back(object);
}

void ReleaseQueue::drain() {
    std::vector<AtspiAccessible*> objects;
    {
        std::lock_guard lock(mutex_);
        objects.swap(objects_);
    }
    for (AtspiAccessible* o : objects) {
        g_object_unref(o);
    }
}

AtspiAccessibility::AtspiAccessibility() : releases_(std::make_shared<ReleaseQueue>()) {}

AtspiAccessibility::~AtspiAccessibility() = default;

QString AtspiAccessibility::roleName(int atspiRole, bool multiLine) {
    switch (AtspiRole(atspiRole)) {
    case ATSPI_ROLE_DOCUMENT_WEB:
        return QStringLiteral("AXWebArea");
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_TEXT:
        return multiLine ? QStringLiteral("AXTextArea") : QStringLiteral("AXTextField");
    case ATSPI_ROLE_TERMINAL:
    case ATSPI_ROLE_DOCUMENT_TEXT:
        return QStringLiteral("AXTextArea");
    case ATSPI_ROLE_TABLE:
        return QStringLiteral("AXTable");
    case ATSPI_ROLE_TREE:
    case ATSPI_ROLE_TREE_TABLE:
        return QStringLiteral("AXOutline");
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
        return QStringLiteral("AXList");
    case ATSPI_ROLE_SCROLL_PANE:
    case ATSPI_ROLE_VIEWPORT:
    case ATSPI_ROLE_INTERNAL_FRAME:
        return QStringLiteral("AXScrollArea");
    case ATSPI_ROLE_SCROLL_BAR:
        return QStringLiteral("AXScrollBar");
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
        return QStringLiteral("AXWindow");
    case ATSPI_ROLE_APPLICATION:
        return QStringLiteral("AXApplication");
    case ATSPI_ROLE_SPLIT_PANE:
        return QStringLiteral("AXSplitGroup");
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_GROUPING:
    case ATSPI_ROLE_FILLER:
        return QStringLiteral("AXGroup");
    case ATSPI_ROLE_PAGE_TAB_LIST:
        return QStringLiteral("AXTabGroup");
    case ATSPI_ROLE_CANVAS:
    case ATSPI_ROLE_DRAWING_AREA:
        return QStringLiteral("AXLayoutArea");
    default:
        break;
    }
    gchar* name = atspi_role_get_name(AtspiRole(atspiRole));
    const QString out = QStringLiteral("atspi:") + QString::fromUtf8(name ? name : "unknown");
    g_free(name);
    return out;
}

bool AtspiAccessibility::ensureInit() {
    releases_->drain();
    if (initialised_) {
        return true;
    }
    // libatspi dispatches its bus on the context it is given; a private one keeps that on this
    // thread.
    context_ = g_main_context_new();
    g_main_context_push_thread_default(context_);
    if (atspi_init() > 1) {
        return false;
    }
    atspi_set_main_context(context_);
    atspi_set_timeout(800, 3000);
    initialised_ = true;
    return true;
}

void AtspiAccessibility::setDeadline(std::chrono::steady_clock::time_point deadline) {
    releases_->deadline = deadline;
}

bool AtspiAccessibility::isTrusted() {
    // Asked before every search; one bus round trip every two seconds at most.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (trustCheckedAtMs_ >= 0 && now - trustCheckedAtMs_ < 2000) {
        return trusted_;
    }
    trustCheckedAtMs_ = now;
    GDBusConnection* bus = sessionBus();
    trusted_ = bus && statusEnabled(bus).value_or(false) && ensureInit();
    if (bus) {
        g_object_unref(bus);
    }
    return trusted_;
}

bool AtspiAccessibility::requestTrust() {
    GDBusConnection* bus = sessionBus();
    if (!bus || !statusEnabled(bus)) {
        if (bus) {
            g_object_unref(bus);
        }
        return false;
    }
    // What a desktop's "assistive technologies" switch does.
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
        g_variant_new("(ssv)", "org.a11y.Status", "IsEnabled", g_variant_new_boolean(TRUE)), nullptr,
        G_DBUS_CALL_FLAGS_NONE, 1500, nullptr, &error);
    if (error) {
        g_error_free(error);
    }
    if (reply) {
        g_variant_unref(reply);
    }
    g_object_unref(bus);
    trustCheckedAtMs_ = -1;
    return isTrusted();
}

AXElement AtspiAccessibility::application(qint64 pid) {
    if (pid <= 0 || !ensureInit()) {
        return nullptr;
    }
    AtspiAccessible* desktop = atspi_get_desktop(0);
    if (!desktop) {
        return nullptr;
    }
    AXElement found;
    GError* error = nullptr;
    const int n = atspi_accessible_get_child_count(desktop, &error);
    if (error) {
        g_error_free(error);
    }
    for (int i = 0; i < n && !found && releases_->beginCall(); ++i) {
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
        if (!app) {
            continue;
        }
        if (qint64(atspi_accessible_get_process_id(app, nullptr)) == pid) {
            found = std::make_shared<AtspiElement>(app, releases_);
        } else {
            g_object_unref(app);
        }
    }
    g_object_unref(desktop);
    return found;
}

} // namespace mebo::platform::atspi

extern "C" __attribute__((visibility("default"))) mebo::platform::Accessibility* mebo_create_accessibility() {
    return new mebo::platform::atspi::AtspiAccessibility();
}
