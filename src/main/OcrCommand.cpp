#include "editor/OcrSvc.h"
#include "main/CliImages.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/Commands.h"
#include "main/TextRecognitionModule.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>

namespace mebo {

namespace {

const char* kOcrHelp = R"(Usage: mebo ocr IMAGE [--json] [--languages LANGS]

Recognises the text of an image (PNG, JPEG, ...) and prints it, one line per recognised line,
in reading order.

Options:
  --json             print {"text": ..., "blocks": [{"text": ..., "box": {"x", "y", "width",
                     "height"}}]}, boxes in the image's unit square, origin at the bottom-left
  --languages LANGS  Tesseract languages, e.g. eng or eng+chi_sim (default: English, and
                     Chinese when its language data is installed)
  --verbose          write the execution log to standard error
  --help             show this help
)";

} // namespace

int runOcrCommand(int& argc, char** argv, const QStringList& args) {
    runtime::limitOpenMpThreads(argv);
    QString error;
    const auto opts = cli::parseOptions(
        args, {{"json", false}, {"languages", true}, {"verbose", false}, {"help", false}}, &error);
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
    runtime::useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    runtime::nameApplication();

    const std::optional<QImage> image = cli::readImageForRecognition(opts->positional.first());
    if (!image) {
        return cli::Exit::failure;
    }

    const OcrResult result = OcrSvc(loadTextRecognizer(opts->value("languages"))).recognizeNow(*image);
    if (opts->has("json")) {
        QJsonArray blocks;
        for (const OcrTextBlock& b : result.blocks) {
            blocks.append(QJsonObject{{"text", b.text}, {"box", cli::rectJson(b.normalizedBoundingBox)}});
        }
        cli::printJson(QJsonObject{{"text", result.text}, {"blocks", blocks}});
    } else if (!result.text.isEmpty()) {
        cli::printOut(result.text);
    }
    return cli::Exit::ok;
}

} // namespace mebo
