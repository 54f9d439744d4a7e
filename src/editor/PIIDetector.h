#pragma once

#include "editor/DetectedPII.h"

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace mebo {

namespace platform {
class NameTagger;
class TextRecognizer;
struct RecognizedTextLine;
} // namespace platform

// One recognised line: its best string, and the box of a character range of it (normalised to
// the unit square, origin bottom-left), or nothing when the recogniser cannot tell.
struct RecognizedLine {
    QString text;
    std::function<std::optional<QRectF>(int start, int length)> boxForRange;
};

// Finds personal data in recognised text: e-mail addresses, ID card numbers, social security
// numbers, payment cards, phone numbers, bank accounts, then names. Kinds claim character ranges
// line by line in that order, so an earlier kind wins an overlap. Thread-safe: the patterns are
// compiled once and only read.
class PIIDetector {
public:
    // `tagger` may be null (no names).
    PIIDetector(std::shared_ptr<platform::TextRecognizer> recognizer,
                std::shared_ptr<const platform::NameTagger> tagger);

    // Recognises the image's text off the main thread and scans it; `done` runs once, on the main
    // thread, with the items found, or nothing when the scan could not run.
    void detect(const QImage& image, std::function<void(std::optional<QList<DetectedPII>>)> done) const;
    // The same, blocking, for callers off the main thread (the command line).
    std::optional<QList<DetectedPII>> detectNow(const QImage& image) const;

    // Recognised lines as the scan reads them: in reading order, each with its range boxes.
    static QList<RecognizedLine> linesOf(QList<platform::RecognizedTextLine> lines);

    // Items in the order found. `tagger` may be null (no names).
    static QList<DetectedPII> scan(const QList<RecognizedLine>& lines, QSize imageSize,
                                   const platform::NameTagger* tagger);

    // The review list's text for a match of `kind`.
    static QString maskedText(DetectedPII::Kind kind, const QString& matched);
    // The 18-character resident identity number with its MOD 11-2 check character.
    static bool isValidIdCard(const QString& text);
    static bool passesLuhn(const QString& digits);
    // A normalised box (origin bottom-left) in pixels (origin top-left), grown by 4 pixels left
    // and right and 3 at the top and bottom, rounded outward and clipped to the image.
    static QRect pixelBox(const QRectF& normalised, QSize imageSize);

private:
    std::shared_ptr<platform::TextRecognizer> recognizer_;
    std::shared_ptr<const platform::NameTagger> tagger_;
};

} // namespace mebo
