#pragma once

#include "video/VideoEnums.h"

#include <QObject>

namespace mebo {

class AppEvents;
namespace platform {
class DefaultsStore;
}

// The chapter progress bar's style, a user preference under "mebo.videoChapterProgressDisplayStyle".
// Main thread.
class VideoChapterDisplayStylePref : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kKey = "mebo.videoChapterProgressDisplayStyle";
    static constexpr const char* kChangedNotification = "MeboVideoChapterDisplayStyleDidChange";

    VideoChapterDisplayStylePref(platform::DefaultsStore& defaults, AppEvents* events = nullptr,
                                 QObject* parent = nullptr);

    // A missing or unknown stored value reads as titles.
    VideoChapterDisplayStyle style() const;
    // Stores the raw value and announces the change so every open player redraws.
    void setStyle(VideoChapterDisplayStyle style);

Q_SIGNALS:
    void styleChanged(VideoChapterDisplayStyle style);

private:
    platform::DefaultsStore& defaults_;
    AppEvents* events_;
};

} // namespace mebo
