#pragma once

#include "services/ServiceConfig.h"

#include <QString>
#include <functional>
#include <memory>

namespace mebo {

class CompanionVM;
class FeedbackVM;
class Norvik;
class TasuInstaller;
class TicketAPI;
class UpdateMgr;
class UpdateVM;
namespace platform {
class Clipboard;
class CodeSigning;
class DefaultsStore;
class Workspace;
} // namespace platform

// The services that talk to servers: the updater (facade and manager), the feedback client and
// the companion's installer, composed from the build's addresses and publisher key for both the
// desktop application and the command line. Main thread; destroyed in reverse order.
class OnlineServices {
public:
    struct Options {
        ServiceConfig config = ServiceConfig::fromBuild();
        // What a relaunch after an update reopens (the desktop application sets it).
        std::function<QString()> windowState;
    };

    OnlineServices(platform::DefaultsStore& defaults, Options options);
    ~OnlineServices();

    const platform::CodeSigning& signing() const { return *signing_; }
    Norvik& norvik() { return *norvik_; }
    UpdateMgr& updates() { return *updates_; }
    TicketAPI& tickets() { return *tickets_; }
    TasuInstaller& tasu() { return *tasu_; }
    const ServiceConfig& config() const { return config_; }

    // Starts the facade and the manager: the updater is ready and the background checks are
    // scheduled.
    void startUpdates();

    static QString downloadDir(); // ~/.cache/mebo/updates

private:
    ServiceConfig config_;
    std::shared_ptr<const platform::CodeSigning> signing_;
    std::unique_ptr<Norvik> norvik_;
    std::unique_ptr<UpdateMgr> updates_;
    std::unique_ptr<TicketAPI> tickets_;
    std::unique_ptr<TasuInstaller> tasu_;
};

// The view-models of the settings window's service parts.
struct OnlineViewModels {
    OnlineViewModels(OnlineServices& services, platform::Workspace& workspace,
                     platform::Clipboard& clipboard);
    ~OnlineViewModels();
    std::unique_ptr<UpdateVM> updates;
    std::unique_ptr<FeedbackVM> feedback;
    std::unique_ptr<CompanionVM> companion;
};

} // namespace mebo
