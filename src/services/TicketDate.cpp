#include "services/TicketDate.h"

#include <memory>
#include <unicode/smpdtfmt.h>

namespace mebo {

namespace {

const char16_t* const kPatterns[] = {u"yyyy-MM-dd HH:mm:ss.SSSSSS Z zzz", u"yyyy-MM-dd HH:mm:ss.SSSSSS Z",
                                     u"yyyy-MM-dd HH:mm:ss Z zzz", u"yyyy-MM-dd HH:mm:ss Z"};

} // namespace

std::optional<QDateTime> TicketDate::parse(const QString& text) {
    const icu::UnicodeString input(reinterpret_cast<const char16_t*>(text.utf16()), int32_t(text.size()));
    for (const char16_t* pattern : kPatterns) {
        UErrorCode status = U_ZERO_ERROR;
        icu::SimpleDateFormat format(icu::UnicodeString(pattern), icu::Locale("en_US_POSIX"), status);
        if (U_FAILURE(status)) {
            continue;
        }
        format.setLenient(false);
        icu::ParsePosition position(0);
        const UDate when = format.parse(input, position);
        if (position.getErrorIndex() >= 0 || position.getIndex() != input.length()) {
            continue;
        }
        return QDateTime::fromMSecsSinceEpoch(qint64(when), Qt::UTC);
    }
    return std::nullopt;
}

QString TicketDate::display(const QString& text, const QDateTime& now, const QTimeZone& zone) {
    const auto when = parse(text);
    if (!when) {
        return text;
    }
    const QDateTime local = when->toTimeZone(zone);
    const QDate today = now.toTimeZone(zone).date();
    const QString time = local.toString(QStringLiteral("HH:mm"));
    if (local.date() == today) {
        return QStringLiteral("Today %1").arg(time);
    }
    if (local.date() == today.addDays(-1)) {
        return QStringLiteral("Yesterday %1").arg(time);
    }
    return local.toString(QStringLiteral("MM-dd HH:mm"));
}

} // namespace mebo
