#include "services/TicketAPI.h"

#include "app/AppLogger.h"
#include "document/JsonDecodeError.h"
#include "services/DeviceId.h"
#include "services/ServiceConfig.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

namespace mebo {

namespace {

// Decodes a 2xx body as the operation's record; the error fields describe the failure.
template <class T> TicketReply<T> decodeBody(const QByteArray& body) {
    TicketReply<T> r;
    try {
        r.value = T::decode(body);
    } catch (const JsonDecodeError& e) {
        logError(QStringLiteral("[TicketAPI] 解碼失敗: ") + e.description());
        logError(QStringLiteral("[TicketAPI] 原始響應: ") + QString::fromUtf8(body));
        r.error = TicketAPIError::decodingFailed(e.description());
    }
    return r;
}

template <class T> TicketReply<T> failure(TicketAPIError error) {
    TicketReply<T> r;
    r.error = std::move(error);
    return r;
}

// The response rules, the same for every operation.
template <class T> TicketReply<T> handle(QNetworkReply* reply) {
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QByteArray body = reply->readAll();
    if (!statusAttribute.isValid()) {
        // No HTTP answer at all: the connection's own error, when there is one.
        return failure<T>(
            TicketAPIError::requestFailed(std::nullopt, reply->error() != QNetworkReply::NoError
                                                            ? std::optional<QString>(reply->errorString())
                                                            : std::nullopt));
    }
    const int status = statusAttribute.toInt();
    std::optional<QString> serverMessage;
    if (const auto err = ErrorResponse::tryDecode(body); err && err->res == QLatin1String("err")) {
        serverMessage = err->code;
    }
    if (status >= 200 && status <= 299) {
        if (serverMessage) {
            return failure<T>(TicketAPIError::requestFailed(status, serverMessage));
        }
        return decodeBody<T>(body);
    }
    return failure<T>(TicketAPIError::requestFailed(status, serverMessage));
}

} // namespace

TicketAPI::TicketAPI(QString baseUrl, platform::DefaultsStore& defaults, QObject* parent)
    : QObject(parent), baseUrl_(std::move(baseUrl)), defaults_(defaults),
      network_(new QNetworkAccessManager(this)), timeoutMs_(networkTimeoutMs(timeoutSec * 1000)) {}

QString TicketAPI::deviceId() {
    return DeviceId::get(defaults_);
}

QString TicketAPI::serverName() const {
    const QString host = QUrl(baseUrl_).host();
    return host.isEmpty() ? baseUrl_ : host;
}

template <class T>
void TicketAPI::send(const QByteArray& method, const QString& path, const QUrlQuery& query,
                     const QJsonObject* body, Done<T> done) {
    QUrl url(baseUrl_ + path, QUrl::StrictMode);
    if (!query.isEmpty()) {
        url.setQuery(query);
    }
    if (baseUrl_.isEmpty() || !url.isValid() || url.scheme().isEmpty() || url.host().isEmpty()) {
        QMetaObject::invokeMethod(
            this, [done] { done(failure<T>(TicketAPIError::invalidURL())); }, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs_);
    request.setRawHeader("Accept", "application/json");
    QByteArray payload;
    if (body) {
        request.setRawHeader("Content-Type", "application/json");
        payload = QJsonDocument(*body).toJson(QJsonDocument::Compact);
    }
    QNetworkReply* reply = network_->sendCustomRequest(request, method, payload);
    connect(reply, &QNetworkReply::finished, this, [reply, done] {
        reply->deleteLater();
        done(handle<T>(reply));
    });
}

void TicketAPI::loadTickets(Done<TicketListResponse> done) {
    logInfo(QStringLiteral("[TicketAPI] Load tickets from ") + serverName());
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("app"), QString::fromLatin1(appName));
    query.addQueryItem(QStringLiteral("device_id"), deviceId());
    send<TicketListResponse>("GET", QStringLiteral("/tickets"), query, nullptr, std::move(done));
}

void TicketAPI::createTicket(const QString& category, const QString& title, const QString& content,
                             Done<TicketResponse> done) {
    logInfo(QStringLiteral("[TicketAPI] Create ticket to ") + serverName());
    const QJsonObject body{{QStringLiteral("app"), QString::fromLatin1(appName)},
                           {QStringLiteral("device_id"), deviceId()},
                           {QStringLiteral("category"), category},
                           {QStringLiteral("title"), title},
                           {QStringLiteral("content"), content}};
    send<TicketResponse>("POST", QStringLiteral("/ticket"), {}, &body, std::move(done));
}

void TicketAPI::loadTicketDetail(const QString& uuid, Done<TicketDetailResponse> done) {
    logInfo(QStringLiteral("[TicketAPI] Load ticket detail from ") + serverName());
    send<TicketDetailResponse>(
        "GET", QStringLiteral("/ticket/") + QString::fromLatin1(QUrl::toPercentEncoding(uuid)), {}, nullptr,
        std::move(done));
}

void TicketAPI::addComment(const QString& uuid, const QString& content, Done<CommentResponse> done) {
    logInfo(QStringLiteral("[TicketAPI] Add comment to ") + serverName());
    const QJsonObject body{{QStringLiteral("device_id"), deviceId()}, {QStringLiteral("content"), content}};
    send<CommentResponse>("POST",
                          QStringLiteral("/ticket/") + QString::fromLatin1(QUrl::toPercentEncoding(uuid)) +
                              QStringLiteral("/comment"),
                          {}, &body, std::move(done));
}

} // namespace mebo
