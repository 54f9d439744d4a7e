#pragma once

#include "services/TicketAPIError.h"
#include "services/TicketRecords.h"

#include <QObject>
#include <QString>
#include <QUrlQuery>
#include <functional>
#include <optional>

class QJsonObject;
class QNetworkAccessManager;
class QNetworkReply;

namespace mebo {

namespace platform {
class DefaultsStore;
}

// A decoded answer or the error that took its place.
template <class T> struct TicketReply {
    std::optional<T> value;
    std::optional<TicketAPIError> error;
    bool ok() const { return value.has_value(); }
};

// The feedback server's client: JSON over HTTP(S), tickets tied to the installation's device
// identifier. Each operation answers once, on the main thread, after it returned. Main thread.
class TicketAPI : public QObject {
    Q_OBJECT
public:
    static constexpr int timeoutSec = 60;
    static constexpr const char* appName = "Mebo";

    template <class T> using Done = std::function<void(const TicketReply<T>&)>;

    // `baseUrl`: the server's endpoint; the paths are appended to it.
    TicketAPI(QString baseUrl, platform::DefaultsStore& defaults, QObject* parent = nullptr);

    void loadTickets(Done<TicketListResponse> done);
    void createTicket(const QString& category, const QString& title, const QString& content,
                      Done<TicketResponse> done);
    void loadTicketDetail(const QString& uuid, Done<TicketDetailResponse> done);
    void addComment(const QString& uuid, const QString& content, Done<CommentResponse> done);

    QString deviceId();
    const QString& baseUrl() const { return baseUrl_; }
    // The server's host name, as the log lines give it.
    QString serverName() const;
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }

private:
    template <class T>
    void send(const QByteArray& method, const QString& path, const QUrlQuery& query, const QJsonObject* body,
              Done<T> done);

    QString baseUrl_;
    platform::DefaultsStore& defaults_;
    QNetworkAccessManager* network_ = nullptr;
    int timeoutMs_ = timeoutSec * 1000;
};

} // namespace mebo
