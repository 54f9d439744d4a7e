#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <optional>

namespace mebo {

// The feedback server's times ("2024-06-04 10:20:30.123456 +0800 CST" and shorter forms) and how
// the Feedback tab shows them.
class TicketDate {
public:
    // Tries "yyyy-MM-dd HH:mm:ss.SSSSSS Z zzz", "yyyy-MM-dd HH:mm:ss.SSSSSS Z",
    // "yyyy-MM-dd HH:mm:ss Z zzz" and "yyyy-MM-dd HH:mm:ss Z" (en_US_POSIX), the whole text each.
    static std::optional<QDateTime> parse(const QString& text);
    // "Today HH:mm", "Yesterday HH:mm" or "MM-dd HH:mm" in `zone` (the user's), as of `now`; a
    // text no pattern reads is shown as it came.
    static QString display(const QString& text, const QDateTime& now = QDateTime::currentDateTime(),
                           const QTimeZone& zone = QTimeZone::systemTimeZone());
};

} // namespace mebo
