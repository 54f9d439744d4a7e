#include "editor/OcrSvc.h"

#include "app/AppLogger.h"
#include "app/BackgroundTask.h"
#include "app/MainThread.h"
#include "platform/TextRecognizer.h"

namespace mebo {

OcrSvc::OcrSvc(std::shared_ptr<platform::TextRecognizer> recognizer) : recognizer_(std::move(recognizer)) {}

OcrResult OcrSvc::fromLines(const QList<platform::RecognizedTextLine>& lines) {
    QList<OcrTextBlock> blocks;
    blocks.reserve(lines.size());
    for (const platform::RecognizedTextLine& line : lines) {
        blocks.append(OcrTextBlock{line.text, line.box});
    }
    return OcrResult::inReadingOrder(std::move(blocks));
}

std::optional<QList<platform::RecognizedTextLine>>
OcrSvc::recognizeLines(platform::TextRecognizer* recognizer, const QImage& image) {
    QString error;
    auto lines = recognizer ? recognizer->recognize(image, &error) : std::nullopt;
    if (!lines) {
        logError(QStringLiteral("[OCR] VNImageRequestHandler 失敗: ") +
                 (recognizer ? error : QStringLiteral("no text recognition service")));
    }
    return lines;
}

OcrResult OcrSvc::recognizeNow(const QImage& image) const {
    const auto lines = recognizeLines(recognizer_.get(), image);
    return lines ? fromLines(*lines) : OcrResult{};
}

void OcrSvc::recognize(const QImage& image, std::function<void(OcrResult)> done) const {
    // The service holds only the recogniser, shared with the task, so the task needs nothing else
    // to stay alive.
    startUserInitiatedTask([svc = *this, image, done = std::move(done)] {
        OcrResult result = svc.recognizeNow(image);
        runOnMain([result = std::move(result), done] { done(result); });
    });
}

} // namespace mebo
