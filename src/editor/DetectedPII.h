#pragma once

#include <QRect>
#include <QString>
#include <QUuid>
#include <cstdint>

namespace mebo {

// One piece of personal data found in a capture, as the review list shows it.
struct DetectedPII {
    // In detection order of the review labels' table, not the scanning order.
    enum class Kind : uint8_t { email, phone, creditCard, ssn, idCard, name, bankAccount };

    QUuid id;
    Kind kind = Kind::email;
    QRect boundingBox;         // image pixels, top-left origin
    QString maskedDisplayText; // what the review list shows instead of the value
    float confidence = 0.0F;   // fixed per kind

    static QString label(Kind kind);
    static float confidenceOf(Kind kind);
};

} // namespace mebo
