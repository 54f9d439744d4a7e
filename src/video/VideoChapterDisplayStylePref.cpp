#include "video/VideoChapterDisplayStylePref.h"

#include "app/AppEvents.h"
#include "platform/DefaultsStore.h"

namespace mebo {

VideoChapterDisplayStylePref::VideoChapterDisplayStylePref(platform::DefaultsStore& defaults,
                                                           AppEvents* events, QObject* parent)
    : QObject(parent), defaults_(defaults), events_(events) {}

VideoChapterDisplayStyle VideoChapterDisplayStylePref::style() const {
    const QVariant stored = defaults_.object(QLatin1String(kKey));
    if (stored.typeId() != QMetaType::QString) {
        return VideoChapterDisplayStyle::titles;
    }
    return fromRawValue<VideoChapterDisplayStyle>(stored.toString())
        .value_or(VideoChapterDisplayStyle::titles);
}

void VideoChapterDisplayStylePref::setStyle(VideoChapterDisplayStyle style) {
    const QString raw = rawValue(style);
    defaults_.set(QLatin1String(kKey), raw);
    Q_EMIT styleChanged(style);
    if (events_) {
        // The hub's catch-all notification: observers listening by name see it.
        Q_EMIT events_->notificationPosted(QLatin1String(kChangedNotification), raw);
    }
}

} // namespace mebo
