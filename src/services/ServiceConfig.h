#pragma once

#include <QString>

namespace mebo {

// The servers and the publisher key the services talk to: values fixed when Mebo is built, each
// of which the environment may replace (the tests point them at local servers):
//   MEBO_UPDATE_FEED_URL, MEBO_PUBLISHER_KEY, MEBO_FEEDBACK_URL, MEBO_TASU_FEED_URL.
struct ServiceConfig {
    QString updateFeedUrl;    // the update appcast; empty when the build has none
    QString publisherKey;     // base64 of the publisher's Ed25519 public key
    QString feedbackUrl;      // the ticket server's base URL
    QString companionFeedUrl; // the hotkey companion's appcast

    static ServiceConfig fromBuild();
};

// A network timeout: `normalMs`, or MEBO_TEST_NETWORK_TIMEOUT_MS when that is set to a positive
// number (the tests wait for servers that never answer in seconds, not minutes).
int networkTimeoutMs(int normalMs);

} // namespace mebo
