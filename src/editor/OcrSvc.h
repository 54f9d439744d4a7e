#pragma once

#include "editor/OcrResult.h"

#include <QImage>
#include <functional>
#include <memory>
#include <optional>

namespace mebo {

namespace platform {
class TextRecognizer;
struct RecognizedTextLine;
} // namespace platform

// Text recognition for the editor: runs the platform's recogniser off the main thread and hands
// back the lines in reading order. It never fails: a failure is logged and gives an empty result.
class OcrSvc {
public:
    explicit OcrSvc(std::shared_ptr<platform::TextRecognizer> recognizer);

    // `done` runs once, on the main thread.
    void recognize(const QImage& image, std::function<void(OcrResult)> done) const;
    // The same, blocking, for callers already off the main thread (the command line, detection).
    OcrResult recognizeNow(const QImage& image) const;

    // The recogniser's lines, or nothing after logging why (the failure line of every recognition,
    // for the OCR window and for Smart Redact alike). Blocking.
    static std::optional<QList<platform::RecognizedTextLine>>
    recognizeLines(platform::TextRecognizer* recognizer, const QImage& image);
    // Recognised lines as a result: their boxes, reading order, blank lines dropped.
    static OcrResult fromLines(const QList<platform::RecognizedTextLine>& lines);

private:
    std::shared_ptr<platform::TextRecognizer> recognizer_;
};

} // namespace mebo
