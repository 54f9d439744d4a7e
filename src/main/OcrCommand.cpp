#include "editor/OcrSvc.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/Commands.h"
#include "platform/tesseract/TesseractRecognizer.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonObject>

namespace mebo {

namespace {

const char* kOcrHelp = R"(Usage: mebo ocr IMAGE [--json]

Recognises the text of an image (PNG, JPEG, ...) and prints it, one line per recognised line,
in reading order.

Options:
  --json      print {"text": ..., "blocks": [{"text": ..., "box": {"x", "y", "width", "height"}}]},
              boxes in the image's unit square with the origin at the bottom-left
  --verbose   write the execution log to standard error
  --help      show this help
)";

// Larger images would take minutes and gigabytes; screenshots are far below this.
constexpr qint64 kMaxPixels = 50'000'000;

} // namespace

int runOcrCommand(int& argc, char** argv, const QStringList& args) {
    QString error;
    const auto opts = cli::parseOptions(args, {{"json", false}, {"verbose", false}, {"help", false}}, &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("ocr"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kOcrHelp).trimmed());
        return cli::Exit::ok;
    }
    if (opts->positional.size() != 1) {
        return cli::usageError(QStringLiteral("ocr takes one image"), QStringLiteral("ocr"));
    }
    runtime::setVerbose(opts->has("verbose"));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    runtime::nameApplication();

    const QString path = opts->positional.first();
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels) {
        cli::printErr(
            QStringLiteral("%1: image too large for text recognition (%2×%3; at most 50 megapixels)")
                .arg(path)
                .arg(size.width())
                .arg(size.height()));
        return cli::Exit::failure;
    }
    reader.setAllocationLimit(int(kMaxPixels * 4 / (1024 * 1024)) + 1);
    const QImage image = reader.read();
    if (image.isNull() || image.width() == 0 || image.height() == 0) {
        cli::printErr(QStringLiteral("%1: cannot read the image (%2)").arg(path, reader.errorString()));
        return cli::Exit::failure;
    }

    const OcrResult result = OcrSvc(std::make_shared<platform::TesseractRecognizer>()).recognizeNow(image);
    if (opts->has("json")) {
        QJsonArray blocks;
        for (const OcrTextBlock& b : result.blocks) {
            const QRectF& r = b.normalizedBoundingBox;
            blocks.append(QJsonObject{
                {"text", b.text},
                {"box",
                 QJsonObject{{"x", r.x()}, {"y", r.y()}, {"width", r.width()}, {"height", r.height()}}}});
        }
        cli::printJson(QJsonObject{{"text", result.text}, {"blocks", blocks}});
    } else if (!result.text.isEmpty()) {
        cli::printOut(result.text);
    }
    return cli::Exit::ok;
}

} // namespace mebo
