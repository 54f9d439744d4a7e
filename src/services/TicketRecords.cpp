#include "services/TicketRecords.h"

#include "document/JsonReader.h"

#include <QJsonArray>

namespace mebo {

namespace {

// The list under `key`, each element an object read by `read`.
template <class T, class Read> QList<T> objects(const JsonReader& r, const char* key, Read read) {
    const QJsonValue value = r.json().value(QLatin1String(key));
    if (value.isUndefined() || value.isNull()) {
        throw JsonDecodeError(QStringLiteral("missing key '%1'").arg(r.pathOf(key)));
    }
    if (!value.isArray()) {
        throw JsonDecodeError(QStringLiteral("key '%1' is not an array").arg(r.pathOf(key)));
    }
    QList<T> out;
    const QJsonArray array = value.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString path = QStringLiteral("%1[%2].").arg(r.pathOf(key)).arg(i);
        if (!array[i].isObject()) {
            throw JsonDecodeError(QStringLiteral("key '%1[%2]' is not an object").arg(r.pathOf(key)).arg(i));
        }
        out << read(JsonReader(array[i].toObject(), path));
    }
    return out;
}

TicketItem readItem(const JsonReader& r) {
    return {r.string("uuid"),   r.string("category"), r.string("title"),
            r.string("status"), r.string("atime"),    r.string("mtime")};
}

TicketComment readComment(const JsonReader& r) {
    return {r.string("id"), r.string("author_type"), r.string("author_id"), r.string("content"),
            r.string("atime")};
}

TicketDetail readDetail(const JsonReader& r) {
    TicketDetail d;
    d.uuid = r.string("uuid");
    d.category = r.string("category");
    d.title = r.string("title");
    d.content = r.string("content");
    d.status = r.string("status");
    d.atime = r.string("atime");
    d.mtime = r.string("mtime");
    d.comments = objects<TicketComment>(r, "comments", readComment);
    return d;
}

} // namespace

TicketListResponse TicketListResponse::decode(const QByteArray& json) {
    const JsonReader r(JsonReader::parseObject(json));
    return {r.string("_res"), objects<TicketItem>(r, "results", readItem)};
}

TicketResponse TicketResponse::decode(const QByteArray& json) {
    const JsonReader r(JsonReader::parseObject(json));
    return {r.string("_res"), r.string("message"), r.string("uuid")};
}

TicketDetailResponse TicketDetailResponse::decode(const QByteArray& json) {
    const JsonReader r(JsonReader::parseObject(json));
    return {r.string("_res"), readDetail(r.object("ticket"))};
}

CommentResponse CommentResponse::decode(const QByteArray& json) {
    const JsonReader r(JsonReader::parseObject(json));
    return {r.string("_res"), r.string("message")};
}

std::optional<ErrorResponse> ErrorResponse::tryDecode(const QByteArray& json) {
    try {
        const JsonReader r(JsonReader::parseObject(json));
        return ErrorResponse{r.string("_res"), r.string("code"), r.optionalBoolean("reportable")};
    } catch (const JsonDecodeError&) {
        return std::nullopt;
    }
}

const QList<TicketCategory>& TicketCategory::all() {
    static const QList<TicketCategory> categories{
        {QStringLiteral("bug"), QStringLiteral("Bug"), QStringLiteral("ant.fill")},
        {QStringLiteral("feature"), QStringLiteral("Feature"), QStringLiteral("lightbulb.fill")},
        {QStringLiteral("question"), QStringLiteral("Question"), QStringLiteral("questionmark.circle.fill")},
        {QStringLiteral("other"), QStringLiteral("Other"), QStringLiteral("ellipsis.circle.fill")},
    };
    return categories;
}

QString TicketCategory::labelOf(const QString& rawValue) {
    for (const TicketCategory& c : all()) {
        if (c.rawValue == rawValue) {
            return c.label;
        }
    }
    return rawValue;
}

QColor ticketStatusColor(const QString& status) {
    if (status == QLatin1String("pending")) {
        return QColor(0xff, 0x95, 0x00); // orange
    }
    if (status == QLatin1String("replied")) {
        return QColor(0x00, 0x7a, 0xff); // blue
    }
    return QColor(0x8e, 0x8e, 0x93); // gray
}

QString ticketStatusLabel(const QString& status) {
    if (status == QLatin1String("pending")) {
        return QStringLiteral("Pending");
    }
    if (status == QLatin1String("replied")) {
        return QStringLiteral("Replied");
    }
    if (status == QLatin1String("closed")) {
        return QStringLiteral("Closed");
    }
    return status;
}

} // namespace mebo
