#include "main/OnlineServices.h"

#include "platform/sodium/SodiumCodeSigning.h"
#include "services/CompanionVM.h"
#include "services/FeedbackVM.h"
#include "services/InstallLocation.h"
#include "services/Norvik.h"
#include "services/TasuInstaller.h"
#include "services/TicketAPI.h"
#include "services/UpdateGuard.h"
#include "services/UpdateMgr.h"
#include "services/UpdateVM.h"
#include "services/VersionMgr.h"

#include <QDir>
#include <QStandardPaths>

namespace mebo {

QString OnlineServices::downloadDir() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .filePath(QStringLiteral("updates"));
}

OnlineServices::OnlineServices(platform::DefaultsStore& defaults, Options options)
    : config_(std::move(options.config)), signing_(std::make_shared<platform::SodiumCodeSigning>()) {
    const VersionMgr& version = VersionMgr::shared();
    const std::optional<PublisherKey> key = PublisherKey::fromBase64(config_.publisherKey);

    AppcastUpdater::Host host;
    host.version = version.version();
    host.buildNumber = version.buildNumber();
    host.publisherKey = key;
    host.location = InstallLocation::current();
    host.downloadDir = downloadDir();
    host.windowState = std::move(options.windowState);
    host.transferTimeoutMs = networkTimeoutMs(30000);
    host.startTimeoutMs = UpdateGuard::defaultStartTimeoutMs;
    norvik_ = std::make_unique<Norvik>(defaults, signing_, config_.updateFeedUrl, std::move(host));
    norvik_->setCheckTimeoutMs(networkTimeoutMs(Norvik::checkTimeoutSec * 1000));
    updates_ = std::make_unique<UpdateMgr>(defaults, *norvik_, version);
    updates_->setCheckTimeoutMs(networkTimeoutMs(UpdateMgr::checkTimeoutSec * 1000));

    tickets_ = std::make_unique<TicketAPI>(config_.feedbackUrl, defaults);

    TasuInstaller::Setup tasu;
    tasu.appcastURL = config_.companionFeedUrl;
    tasu.publisherKey = key;
    tasu_ = std::make_unique<TasuInstaller>(tasu, signing_);
}

OnlineServices::~OnlineServices() = default;

void OnlineServices::startUpdates() {
    norvik_->start();
    updates_->start();
}

OnlineViewModels::OnlineViewModels(OnlineServices& services, platform::Workspace& workspace,
                                   platform::Clipboard& clipboard)
    : updates(std::make_unique<UpdateVM>(services.updates(), workspace)),
      feedback(std::make_unique<FeedbackVM>(services.tickets())),
      companion(std::make_unique<CompanionVM>(services.tasu(), clipboard)) {}

OnlineViewModels::~OnlineViewModels() = default;

} // namespace mebo
