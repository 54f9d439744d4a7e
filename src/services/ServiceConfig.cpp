#include "services/ServiceConfig.h"

#ifndef MEBO_UPDATE_FEED_URL
#define MEBO_UPDATE_FEED_URL ""
#endif
#ifndef MEBO_PUBLISHER_KEY
#define MEBO_PUBLISHER_KEY ""
#endif
#ifndef MEBO_FEEDBACK_URL
#define MEBO_FEEDBACK_URL ""
#endif
#ifndef MEBO_TASU_FEED_URL
#define MEBO_TASU_FEED_URL ""
#endif

namespace mebo {

namespace {

QString value(const char* variable, const char* built) {
    return qEnvironmentVariableIsSet(variable) ? qEnvironmentVariable(variable) : QString::fromUtf8(built);
}

} // namespace

ServiceConfig ServiceConfig::fromBuild() {
    ServiceConfig config;
    config.updateFeedUrl = value("MEBO_UPDATE_FEED_URL", MEBO_UPDATE_FEED_URL).trimmed();
    config.publisherKey = value("MEBO_PUBLISHER_KEY", MEBO_PUBLISHER_KEY).trimmed();
    config.feedbackUrl = value("MEBO_FEEDBACK_URL", MEBO_FEEDBACK_URL).trimmed();
    config.companionFeedUrl = value("MEBO_TASU_FEED_URL", MEBO_TASU_FEED_URL).trimmed();
    return config;
}

int networkTimeoutMs(int normalMs) {
    bool ok = false;
    const int test = qEnvironmentVariableIntValue("MEBO_TEST_NETWORK_TIMEOUT_MS", &ok);
    return ok && test > 0 ? test : normalMs;
}

} // namespace mebo
