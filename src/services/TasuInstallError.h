#pragma once

#include <QString>
#include <optional>

namespace mebo {

// Errors of the companion's download step, with their messages.
struct TasuDownloadError {
    enum class Kind { invalidURL, parseError, downloadFailed, unzipFailed, appNotFound };
    Kind kind = Kind::downloadFailed;

    QString name() const;
    QString message() const;
};

// Errors of the companion's install step, with their descriptions.
struct TasuInstallError {
    enum class Kind {
        unzipFailed,
        bundleIdMismatch,
        codeSignatureInvalid,
        teamIdMismatch,
        fsError,
        appNotInZip,
        unsafeEntry
    };
    Kind kind = Kind::fsError;
    int status = 0;               // unzipFailed: exit status; codeSignatureInvalid: the check's status
    std::optional<QString> found; // bundleIdMismatch, teamIdMismatch
    QString expected;             // bundleIdMismatch, teamIdMismatch
    QString message;              // fsError; unsafeEntry: the entry

    static TasuInstallError unzipFailed(int status) { return {Kind::unzipFailed, status, {}, {}, {}}; }
    static TasuInstallError bundleIdMismatch(std::optional<QString> found, QString expected) {
        return {Kind::bundleIdMismatch, 0, std::move(found), std::move(expected), {}};
    }
    static TasuInstallError codeSignatureInvalid(int status) {
        return {Kind::codeSignatureInvalid, status, {}, {}, {}};
    }
    static TasuInstallError teamIdMismatch(std::optional<QString> found, QString expected) {
        return {Kind::teamIdMismatch, 0, std::move(found), std::move(expected), {}};
    }
    static TasuInstallError fsError(QString message) {
        return {Kind::fsError, 0, {}, {}, std::move(message)};
    }
    static TasuInstallError appNotInZip() { return {Kind::appNotInZip, 0, {}, {}, {}}; }
    // An archive entry that would land outside the staging folder (an absolute path, "..", or a
    // link leaving it): refused before anything is installed.
    static TasuInstallError unsafeEntry(QString entry) {
        return {Kind::unsafeEntry, 0, {}, {}, std::move(entry)};
    }

    QString name() const;
    QString description() const;
};

// Either kind of failure, as the settings window and the command line report it.
struct TasuFailure {
    QString name;        // the error's case name ("codeSignatureInvalid")
    QString description; // what the user reads
};

} // namespace mebo
