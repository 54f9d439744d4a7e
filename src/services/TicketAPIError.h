#pragma once

#include <QString>
#include <optional>

namespace mebo {

// Why a feedback request failed, with the text the user sees.
struct TicketAPIError {
    enum class Kind { requestFailed, decodingFailed, invalidURL };

    Kind kind = Kind::requestFailed;
    std::optional<int> statusCode;  // requestFailed
    std::optional<QString> message; // requestFailed: the server's or the connection's words
    QString decodingError;          // decodingFailed: the decoder's description

    static TicketAPIError requestFailed(std::optional<int> status, std::optional<QString> message) {
        return {Kind::requestFailed, status, std::move(message), {}};
    }
    static TicketAPIError decodingFailed(QString error) {
        return {Kind::decodingFailed, {}, {}, std::move(error)};
    }
    static TicketAPIError invalidURL() { return {Kind::invalidURL, {}, {}, {}}; }

    QString description() const {
        switch (kind) {
        case Kind::requestFailed:
            if (message) {
                return *message;
            }
            return QStringLiteral("Request failed (%1)")
                .arg(statusCode ? QString::number(*statusCode) : QStringLiteral("unknown"));
        case Kind::decodingFailed:
            return QStringLiteral("Decoding failed: %1").arg(decodingError);
        case Kind::invalidURL:
            break;
        }
        return QStringLiteral("Invalid URL");
    }
};

} // namespace mebo
