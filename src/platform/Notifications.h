#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace mebo::platform {

// Desktop notifications (the freedesktop notification service on Linux). Main thread only.
class Notifications {
public:
    struct Action {
        QString id;    // handed back when the user picks it
        QString label; // the button's text
    };
    struct Notice {
        QString title;
        QString body;
        QString imagePath; // a picture the notification may show (a capture); empty for none
        QList<Action> actions;
    };
    // Runs on the main thread with the id of the action the user picked.
    using ActionHandler = std::function<void(const QString& actionId)>;

    virtual ~Notifications() = default;
    // Whether a notification service is there to show anything.
    virtual bool isAvailable() = 0;
    // Shows the notice; `onAction` runs at most once, when one of its actions is picked (never when
    // the notice is dismissed or times out). Answers false when nothing could be shown.
    virtual bool notify(const Notice& notice, ActionHandler onAction) = 0;
};

} // namespace mebo::platform
