#include "editor/PIIDetector.h"

#include "app/AppLogger.h"
#include "app/BackgroundTask.h"
#include "app/MainThread.h"
#include "editor/OcrOverlay.h"
#include "editor/OcrResult.h"
#include "editor/OcrSvc.h"
#include "platform/NameTagger.h"
#include "platform/TextRecognizer.h"

#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cstdlib>

namespace mebo {

QString DetectedPII::label(Kind kind) {
    switch (kind) {
    case Kind::email:
        return QStringLiteral("Email");
    case Kind::phone:
        return QStringLiteral("Phone");
    case Kind::creditCard:
        return QStringLiteral("Credit Card");
    case Kind::ssn:
        return QStringLiteral("SSN");
    case Kind::idCard:
        return QStringLiteral("ID Card");
    case Kind::name:
        return QStringLiteral("Name");
    case Kind::bankAccount:
        return QStringLiteral("Bank Account");
    }
    return {};
}

float DetectedPII::confidenceOf(Kind kind) {
    switch (kind) {
    case Kind::email:
        return 0.96F;
    case Kind::phone:
        return 0.84F;
    case Kind::creditCard:
        return 0.92F;
    case Kind::ssn:
        return 0.94F;
    case Kind::idCard:
        return 0.93F;
    case Kind::name:
        return 0.56F;
    case Kind::bankAccount:
        return 0.62F;
    }
    return 0.0F;
}

namespace {

using Kind = DetectedPII::Kind;

struct Pattern {
    Kind kind;
    QRegularExpression regex;
};

QRegularExpression compile(const char* pattern, QRegularExpression::PatternOptions options = {}) {
    QRegularExpression re(QString::fromLatin1(pattern), options);
    if (!re.isValid()) {
        logError(QStringLiteral("[MosaicTool] regex compile failed for ") + QString::fromLatin1(pattern));
        std::abort(); // a programming error: the patterns are constants
    }
    re.optimize();
    return re;
}

// Scanning order: earlier kinds claim their ranges first.
const std::array<Pattern, 6>& patterns() {
    static const std::array<Pattern, 6> list{{
        {Kind::email,
         compile(R"([A-Z0-9._%+-]+@[A-Z0-9.-]+\.[A-Z]{2,})", QRegularExpression::CaseInsensitiveOption)},
        {Kind::idCard, compile(R"((?<![0-9A-Za-z])\d{17}[0-9Xx](?![0-9A-Za-z]))")},
        {Kind::ssn, compile(R"((?<!\d)\d{3}-\d{2}-\d{4}(?!\d))")},
        {Kind::creditCard, compile(R"((?<!\d)(?:\d[ -]?){13,19}(?!\d))")},
        {Kind::phone,
         compile(R"((?<!\d)(?:\+?\d{1,3}[\s.\-]?)?(?:\(\d{3}\)|\d{3})?[\s.\-]?\d{3,4}[\s.\-]?\d{4}(?!\d))")},
        {Kind::bankAccount, compile(R"((?<!\d)(?:\d[ -]?){12,19}(?!\d))")},
    }};
    return list;
}

QString digitsOf(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            out += c;
        }
    }
    return out;
}

bool validates(Kind kind, const QString& matched) {
    switch (kind) {
    case Kind::idCard:
        return PIIDetector::isValidIdCard(matched);
    case Kind::creditCard: {
        const QString digits = digitsOf(matched);
        return digits.size() >= 13 && digits.size() <= 19 && PIIDetector::passesLuhn(digits);
    }
    case Kind::bankAccount: {
        const QString digits = digitsOf(matched);
        return digits.size() >= 12 && digits.size() <= 19 && !PIIDetector::passesLuhn(digits) &&
               !PIIDetector::isValidIdCard(matched);
    }
    case Kind::email:
    case Kind::ssn:
    case Kind::phone:
    case Kind::name:
        return true;
    }
    return false;
}

struct Claims {
    QList<std::pair<int, int>> ranges; // start, end (exclusive)
    bool overlaps(int start, int end) const {
        for (const auto& [s, e] : ranges) {
            if (std::min(end, e) - std::max(start, s) > 0) {
                return true;
            }
        }
        return false;
    }
};

// Steps shared by every kind once a match is accepted: claim, box, append.
void accept(Kind kind, const RecognizedLine& line, int start, int length, QSize imageSize, Claims& claims,
            QList<DetectedPII>& out) {
    claims.ranges.append({start, start + length});
    const std::optional<QRectF> box = line.boxForRange ? line.boxForRange(start, length) : std::nullopt;
    if (!box) {
        return;
    }
    DetectedPII item;
    item.id = QUuid::createUuid();
    item.kind = kind;
    item.boundingBox = PIIDetector::pixelBox(*box, imageSize);
    item.maskedDisplayText = PIIDetector::maskedText(kind, line.text.mid(start, length));
    item.confidence = DetectedPII::confidenceOf(kind);
    out.append(item);
}

QString tailMask(const QString& matched) {
    const QString digits = digitsOf(matched);
    return digits.isEmpty() ? QStringLiteral("****") : QStringLiteral("**** ") + digits.right(4);
}

} // namespace

QString PIIDetector::maskedText(Kind kind, const QString& matched) {
    switch (kind) {
    case Kind::email: {
        const int at = int(matched.indexOf(QLatin1Char('@')));
        const QString local = at < 0 ? matched : matched.left(at);
        const QString domain = at < 0 ? QString() : matched.mid(at + 1);
        QString out = (local.isEmpty() ? QStringLiteral("*") : local.left(1)) + QStringLiteral("***@****");
        if (domain.contains(QLatin1Char('.'))) {
            out += QLatin1Char('.') + domain.section(QLatin1Char('.'), -1);
        }
        return out;
    }
    case Kind::idCard:
        return matched.left(2) + QStringLiteral("***") + matched.right(2);
    case Kind::name:
        return matched.left(1) + QStringLiteral("***");
    case Kind::phone:
    case Kind::creditCard:
    case Kind::ssn:
    case Kind::bankAccount:
        return tailMask(matched);
    }
    return {};
}

bool PIIDetector::isValidIdCard(const QString& text) {
    const QString id = text.trimmed().toUpper();
    if (id.size() != 18) {
        return false;
    }
    static constexpr std::array<int, 17> weights{7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (int i = 0; i < 17; ++i) {
        const QChar c = id.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
        sum += (c.unicode() - '0') * weights[size_t(i)];
    }
    return id.at(17) == QLatin1Char("10X98765432"[sum % 11]);
}

bool PIIDetector::passesLuhn(const QString& digits) {
    if (digits.isEmpty()) {
        return false;
    }
    int total = 0;
    bool doubled = false;
    for (auto it = digits.crbegin(); it != digits.crend(); ++it) {
        if (*it < QLatin1Char('0') || *it > QLatin1Char('9')) {
            return false;
        }
        int d = it->unicode() - '0';
        if (doubled) {
            d *= 2;
            if (d > 9) {
                d -= 9;
            }
        }
        total += d;
        doubled = !doubled;
    }
    return total % 10 == 0;
}

QRect PIIDetector::pixelBox(const QRectF& normalised, QSize imageSize) {
    const QRect grown =
        OcrOverlay::imagePixels(normalised, imageSize).adjusted(-4.0, -3.0, 4.0, 3.0).toAlignedRect();
    const QRect clipped = grown.intersected(QRect(QPoint(0, 0), imageSize));
    return clipped.isEmpty() ? QRect(0, 0, 0, 0) : clipped;
}

QList<DetectedPII> PIIDetector::scan(const QList<RecognizedLine>& lines, QSize imageSize,
                                     const platform::NameTagger* tagger) {
    QList<DetectedPII> out;
    for (const RecognizedLine& line : lines) {
        Claims claims;
        for (const Pattern& pattern : patterns()) {
            auto it = pattern.regex.globalMatch(line.text);
            while (it.hasNext()) {
                const QRegularExpressionMatch m = it.next();
                const int start = int(m.capturedStart());
                const int length = int(m.capturedLength());
                if (start < 0 || length <= 0 || claims.overlaps(start, start + length)) {
                    continue;
                }
                if (!validates(pattern.kind, m.captured())) {
                    continue;
                }
                accept(pattern.kind, line, start, length, imageSize, claims, out);
            }
        }
        if (!tagger) {
            continue;
        }
        for (const platform::NameTagger::Range& r : tagger->personalNames(line.text)) {
            if (r.start < 0 || r.length <= 0 || r.start + r.length > line.text.size() ||
                claims.overlaps(r.start, r.start + r.length)) {
                continue;
            }
            // Trimmed of surrounding whitespace; letters only, three at least. The spaces that join
            // the words of one name ("Alice Johnson") are part of the name, not a reason to drop it.
            int start = r.start;
            int end = r.start + r.length;
            while (start < end && line.text.at(start).isSpace()) {
                ++start;
            }
            while (end > start && line.text.at(end - 1).isSpace()) {
                --end;
            }
            const QString name = line.text.mid(start, end - start);
            if (name.size() < 3 || std::any_of(name.cbegin(), name.cend(), [](QChar c) {
                    return !c.isLetter() && c != QLatin1Char(' ');
                })) {
                continue;
            }
            accept(Kind::name, line, start, end - start, imageSize, claims, out);
        }
    }
    return out;
}

PIIDetector::PIIDetector(std::shared_ptr<platform::TextRecognizer> recognizer,
                         std::shared_ptr<const platform::NameTagger> tagger)
    : recognizer_(std::move(recognizer)), tagger_(std::move(tagger)) {}

QList<RecognizedLine> PIIDetector::linesOf(QList<platform::RecognizedTextLine> lines) {
    std::stable_sort(lines.begin(), lines.end(),
                     [](const platform::RecognizedTextLine& a, const platform::RecognizedTextLine& b) {
                         return OcrResult::readsBefore(a.box, b.box);
                     });
    QList<RecognizedLine> out;
    out.reserve(lines.size());
    for (platform::RecognizedTextLine& line : lines) {
        auto shared = std::make_shared<const platform::RecognizedTextLine>(std::move(line));
        out.append(
            {shared->text, [shared](int start, int length) { return shared->boxForRange(start, length); }});
    }
    return out;
}

std::optional<QList<DetectedPII>> PIIDetector::detectNow(const QImage& image) const {
    // The same recognition as the OCR window's, with the same failure line.
    const auto lines = OcrSvc::recognizeLines(recognizer_.get(), image);
    if (!lines) {
        return std::nullopt;
    }
    return scan(linesOf(*lines), image.size(), tagger_.get());
}

void PIIDetector::detect(const QImage& image,
                         std::function<void(std::optional<QList<DetectedPII>>)> done) const {
    startUserInitiatedTask([detector = *this, image, done = std::move(done)] {
        auto found = detector.detectNow(image);
        runOnMain([found = std::move(found), done] { done(found); });
    });
}

} // namespace mebo
