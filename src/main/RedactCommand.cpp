#include "capture/PngWriter.h"
#include "document/DocumentFileError.h"
#include "document/DocumentFlattener.h"
#include "document/JsonEncodeError.h"
#include "document/MeboDocument.h"
#include "editor/PIIDetector.h"
#include "editor/SmartRedaction.h"
#include "editor/ToolStyles.h"
#include "main/CliImages.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/Commands.h"
#include "main/TextRecognitionModule.h"
#include "platform/names/GazetteerNameTagger.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>

namespace mebo {

namespace {

const char* kRedactHelp = R"(Usage: mebo redact IMAGE [-o OUT.png] [--style pixelate|gaussian|solid] [--json]

Finds personal data in an image (e-mail addresses, phone numbers, payment card numbers, social
security numbers, ID card numbers, bank account numbers and personal names), covers every item
with a mosaic and writes the result as a PNG, with its editable project (.mebo) beside it.
The project keeps the original image under the covers: share the PNG, not the project.

Options:
  -o, --output OUT.png  where to write (default: IMAGE-redacted.png beside IMAGE)
  --style STYLE         pixelate (default), gaussian or solid (black)
  --json                print {"text", "items": [{"kind", "label", "box", "text", "confidence"}],
                        "output", "project"}; boxes in image pixels, origin top-left, "text"
                        masked as the review list shows it
  --languages LANGS     Tesseract languages, e.g. eng or eng+chi_sim (default: English, and
                        Chinese when its language data is installed)
  --verbose             write the execution log to standard error
  --help                show this help
)";

QString kindKey(DetectedPII::Kind kind) {
    switch (kind) {
    case DetectedPII::Kind::email:
        return QStringLiteral("email");
    case DetectedPII::Kind::phone:
        return QStringLiteral("phone");
    case DetectedPII::Kind::creditCard:
        return QStringLiteral("creditCard");
    case DetectedPII::Kind::ssn:
        return QStringLiteral("ssn");
    case DetectedPII::Kind::idCard:
        return QStringLiteral("idCard");
    case DetectedPII::Kind::name:
        return QStringLiteral("name");
    case DetectedPII::Kind::bankAccount:
        return QStringLiteral("bankAccount");
    }
    return {};
}

std::optional<MosaicStyle> styleNamed(const QString& name) {
    if (name.isEmpty() || name == QLatin1String("pixelate")) {
        return MosaicStyle::pixelate;
    }
    if (name == QLatin1String("gaussian")) {
        return MosaicStyle::gaussian;
    }
    if (name == QLatin1String("solid")) {
        return MosaicStyle::solid;
    }
    return std::nullopt;
}

// The flattened PNG, then its project beside it; false after printing why.
bool writeResult(const QImage& image, const LayerList& covers, const QString& output,
                 const QString& project) {
    const QImage flat = DocumentFlattener::flatten(image, covers, QRectF(image.rect()));
    QString error;
    if (!PngWriter::writeFile(flat, output, &error)) {
        cli::printErr(error);
        return false;
    }
    try {
        MeboDocument::fromContent(MeboDocument::encodeBaseImage(image), QRectF(image.rect()),
                                  QFileInfo(output).absoluteFilePath(), covers)
            .writeFile(project);
    } catch (const DocumentFileError& e) {
        cli::printErr(e.description());
        return false;
    } catch (const JsonEncodeError& e) {
        cli::printErr(e.description());
        return false;
    }
    return true;
}

} // namespace

int runRedactCommand(int& argc, char** argv, const QStringList& rawArgs) {
    runtime::limitOpenMpThreads(argv);
    QStringList args = rawArgs;
    args.replaceInStrings(QRegularExpression(QStringLiteral("^-o$")), QStringLiteral("--output"));
    QString error;
    const auto opts = cli::parseOptions(args,
                                        {{"output", true},
                                         {"style", true},
                                         {"json", false},
                                         {"languages", true},
                                         {"verbose", false},
                                         {"help", false}},
                                        &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("redact"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kRedactHelp).trimmed());
        return cli::Exit::ok;
    }
    if (opts->positional.size() != 1) {
        return cli::usageError(QStringLiteral("redact takes one image"), QStringLiteral("redact"));
    }
    const std::optional<MosaicStyle> style = styleNamed(opts->value("style"));
    if (!style) {
        return cli::usageError(
            QStringLiteral("unknown style '%1' (pixelate, gaussian or solid)").arg(opts->value("style")),
            QStringLiteral("redact"));
    }
    runtime::setVerbose(opts->has("verbose"));
    runtime::useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    runtime::nameApplication();

    const QString input = opts->positional.first();
    const std::optional<QImage> image = cli::readImageForRecognition(input);
    if (!image) {
        return cli::Exit::failure;
    }
    const QFileInfo in(input);
    const QString output = opts->has("output")
                               ? opts->value("output")
                               : in.dir().filePath(in.completeBaseName() + QStringLiteral("-redacted.png"));
    const QFileInfo out(output);
    const QString project = out.dir().filePath(out.completeBaseName() + QStringLiteral(".mebo"));

    const PIIDetector detector(loadTextRecognizer(opts->value("languages")),
                               std::make_shared<platform::GazetteerNameTagger>());
    const std::optional<QList<DetectedPII>> found = detector.detectNow(*image);
    if (!found) {
        cli::printErr(SmartRedaction::reviewText(found) + QLatin1Char(' ') + runtime::lastProblem());
        return cli::Exit::failure;
    }
    ToolStyles styles;
    styles.mosaic.style = *style;
    const LayerList covers = SmartRedaction::coverLayers(*found, styles);
    if (!writeResult(*image, covers, output, project)) {
        return cli::Exit::failure;
    }

    if (opts->has("json")) {
        QJsonArray items;
        for (const DetectedPII& item : *found) {
            items.append(QJsonObject{{"kind", kindKey(item.kind)},
                                     {"label", DetectedPII::label(item.kind)},
                                     {"box", cli::rectJson(item.boundingBox)},
                                     {"text", item.maskedDisplayText},
                                     {"confidence", double(item.confidence)}});
        }
        cli::printJson(QJsonObject{{"text", SmartRedaction::reviewText(found)},
                                   {"items", items},
                                   {"output", out.absoluteFilePath()},
                                   {"project", QFileInfo(project).absoluteFilePath()}});
        return cli::Exit::ok;
    }
    cli::printOut(SmartRedaction::reviewText(found));
    for (const DetectedPII& item : *found) {
        const QRect& r = item.boundingBox;
        cli::printOut(QStringLiteral("  %1 %2  %3x%4+%5+%6")
                          .arg(DetectedPII::label(item.kind), -13)
                          .arg(item.maskedDisplayText, -20)
                          .arg(r.width())
                          .arg(r.height())
                          .arg(r.x())
                          .arg(r.y()));
    }
    cli::printOut(out.absoluteFilePath());
    cli::printOut(QFileInfo(project).absoluteFilePath());
    return cli::Exit::ok;
}

} // namespace mebo
