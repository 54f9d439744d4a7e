#pragma once

#include <QString>

namespace mebo {

// Where an update check stands: idle, checking, updateAvailable(version),
// downloading(progress 0...1), readyToInstall, upToDate or error(message).
struct UpdateCheckStatus {
    enum class Kind { idle, checking, updateAvailable, downloading, readyToInstall, upToDate, error };

    Kind kind = Kind::idle;
    QString version;       // updateAvailable
    double progress = 0.0; // downloading
    QString message;       // error

    static UpdateCheckStatus idle() { return {}; }
    static UpdateCheckStatus checking() { return {Kind::checking, {}, 0.0, {}}; }
    static UpdateCheckStatus updateAvailable(QString v) {
        return {Kind::updateAvailable, std::move(v), 0.0, {}};
    }
    static UpdateCheckStatus downloading(double p) { return {Kind::downloading, {}, p, {}}; }
    static UpdateCheckStatus readyToInstall() { return {Kind::readyToInstall, {}, 0.0, {}}; }
    static UpdateCheckStatus upToDate() { return {Kind::upToDate, {}, 0.0, {}}; }
    static UpdateCheckStatus error(QString m) { return {Kind::error, {}, 0.0, std::move(m)}; }

    bool is(Kind k) const { return kind == k; }
    bool operator==(const UpdateCheckStatus&) const = default;
    // The case's name ("updateAvailable", "downloading", ...).
    QString name() const;
};

} // namespace mebo
