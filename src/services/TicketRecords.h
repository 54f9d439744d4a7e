#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <optional>

namespace mebo {

// The feedback server's records. Every value is a string except `comments`, `results`, `ticket`
// and `reportable`. Decoding is strict: a missing key or a value of another type throws
// JsonDecodeError naming the key.

struct TicketItem {
    QString uuid, category, title, status, atime, mtime;
};

struct TicketComment {
    QString id, authorType, authorId, content, atime;
    // A reply of the support team.
    bool isSupportReply() const { return authorType == QLatin1String("admin"); }
};

struct TicketDetail {
    QString uuid, category, title, content, status, atime, mtime;
    QList<TicketComment> comments;
};

struct TicketListResponse {
    QString res;
    QList<TicketItem> results;
    static TicketListResponse decode(const QByteArray& json);
};

struct TicketResponse {
    QString res, message, uuid;
    static TicketResponse decode(const QByteArray& json);
};

struct TicketDetailResponse {
    QString res;
    TicketDetail ticket;
    static TicketDetailResponse decode(const QByteArray& json);
};

struct CommentResponse {
    QString res, message;
    static CommentResponse decode(const QByteArray& json);
};

struct ErrorResponse {
    QString res, code;
    std::optional<bool> reportable; // decoded, not used
    // The record, when `json` is one.
    static std::optional<ErrorResponse> tryDecode(const QByteArray& json);
};

// The ticket categories the form offers, in order: bug, feature, question, other.
struct TicketCategory {
    QString rawValue; // "bug"
    QString label;    // "Bug"
    QString symbol;   // the icon's name
    static const QList<TicketCategory>& all();
    static QString labelOf(const QString& rawValue);
};

// A ticket status's colour: "pending" orange, "replied" blue, anything else gray.
QColor ticketStatusColor(const QString& status);
// Its label: "Pending", "Replied", "Closed", or the raw value.
QString ticketStatusLabel(const QString& status);

} // namespace mebo
