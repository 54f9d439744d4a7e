#include "editor/OcrSvc.h"

#include "platform/TextRecognizer.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"

#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using test::ScriptedRecognizer;

platform::RecognizedTextLine textLine(const char* text, double x, double y) {
    platform::RecognizedTextLine l;
    l.text = QString::fromUtf8(text);
    l.box = QRectF(x, y, 0.2, 0.04);
    return l;
}

TEST(OcrSvcTest, AFailureIsLoggedAndGivesAnEmptyResult) {
    test::LogCapture log;
    auto recognizer = std::make_shared<ScriptedRecognizer>();
    recognizer->fail = true;
    std::optional<OcrResult> answer;
    OcrSvc(recognizer).recognize(QImage(8, 8, QImage::Format_RGB32), [&](OcrResult r) {
        answer = std::move(r);
    });
    ASSERT_TRUE(test::waitUntil([&] { return answer.has_value(); }));
    EXPECT_TRUE(answer->text.isEmpty());
    EXPECT_TRUE(answer->blocks.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("[OCR] VNImageRequestHandler 失敗: engine exploded")));

    EXPECT_TRUE(OcrSvc(nullptr).recognizeNow(QImage(8, 8, QImage::Format_RGB32)).blocks.isEmpty());
}

} // namespace
} // namespace mebo
