#include "capture/PngWriter.h"
#include "document/DocumentFileError.h"
#include "document/DocumentFlattener.h"
#include "document/JsonEncodeError.h"
#include "document/MeboDocument.h"
#include "editor/SimplifyDetector.h"
#include "editor/SimplifyReview.h"
#include "main/CliImages.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/Commands.h"
#include "main/TextRecognitionModule.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

namespace mebo {

namespace {

const char* kSimplifyHelp = R"(Usage: mebo simplify IMAGE [-o OUT.png] [--json]

Reduces a screenshot to its layout: finds its text lines, buttons, text fields, icons and images,
covers each with a plain shape in its colour and writes the result as a PNG, with its editable
project (.mebo) beside it (each shape a Simplify layer that can be moved, restyled or removed).

Options:
  -o, --output OUT.png  where to write (default: IMAGE-simplified.png beside IMAGE)
  --json                print {"text", "items": [{"kind", "box", "confidence", "color"}], "output",
                        "project"}; boxes in image pixels, origin top-left
  --languages LANGS     Tesseract languages, e.g. eng or eng+chi_sim (default: English, and
                        Chinese when its language data is installed)
  --verbose             write the execution log to standard error
  --help                show this help
)";

QString kindKey(SimplifyProposal::Kind kind) {
    switch (kind) {
    case SimplifyProposal::Kind::button:
        return QStringLiteral("button");
    case SimplifyProposal::Kind::textField:
        return QStringLiteral("textField");
    case SimplifyProposal::Kind::icon:
        return QStringLiteral("icon");
    case SimplifyProposal::Kind::text:
        return QStringLiteral("text");
    case SimplifyProposal::Kind::image:
        return QStringLiteral("image");
    }
    return {};
}

} // namespace

int runSimplifyCommand(int& argc, char** argv, const QStringList& rawArgs) {
    runtime::limitOpenMpThreads(argv);
    QStringList args = rawArgs;
    args.replaceInStrings(QRegularExpression(QStringLiteral("^-o$")), QStringLiteral("--output"));
    QString error;
    const auto opts = cli::parseOptions(
        args, {{"output", true}, {"json", false}, {"languages", true}, {"verbose", false}, {"help", false}},
        &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("simplify"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kSimplifyHelp).trimmed());
        return cli::Exit::ok;
    }
    if (opts->positional.size() != 1) {
        return cli::usageError(QStringLiteral("simplify takes one image"), QStringLiteral("simplify"));
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
                               : in.dir().filePath(in.completeBaseName() + QStringLiteral("-simplified.png"));
    const QFileInfo out(output);
    const QString project = out.dir().filePath(out.completeBaseName() + QStringLiteral(".mebo"));

    const SimplifyDetector detector(loadTextRecognizer(opts->value("languages")));
    const std::optional<QList<SimplifyProposal>> found = detector.detectNow(*image);
    const QString text = SimplifyDetector::reviewText(found);
    if (!found) {
        cli::printErr(text + QLatin1Char(' ') + runtime::lastProblem());
        return cli::Exit::failure;
    }
    const LayerList shapes = SimplifyReview::layersFor(*found);
    if (!PngWriter::writeFile(DocumentFlattener::flatten(*image, shapes, QRectF(image->rect())), output,
                              &error)) {
        cli::printErr(error);
        return cli::Exit::failure;
    }
    try {
        MeboDocument::fromContent(MeboDocument::encodeBaseImage(*image), QRectF(image->rect()),
                                  out.absoluteFilePath(), shapes)
            .writeFile(project);
    } catch (const DocumentFileError& e) {
        cli::printErr(e.description());
        return cli::Exit::failure;
    } catch (const JsonEncodeError& e) {
        cli::printErr(e.description());
        return cli::Exit::failure;
    }

    if (opts->has("json")) {
        QJsonArray items;
        for (const SimplifyProposal& p : *found) {
            items.append(QJsonObject{{"kind", kindKey(p.kind)},
                                     {"box", cli::rectJson(p.rect)},
                                     {"confidence", p.confidence},
                                     {"color", p.fill.name(QColor::HexRgb)}});
        }
        cli::printJson(QJsonObject{{"text", text},
                                   {"items", items},
                                   {"output", out.absoluteFilePath()},
                                   {"project", QFileInfo(project).absoluteFilePath()}});
        return cli::Exit::ok;
    }
    cli::printOut(text);
    for (const SimplifyProposal& p : *found) {
        cli::printOut(QStringLiteral("  %1 %2x%3+%4+%5")
                          .arg(SimplifyProposal::label(p.kind), -11)
                          .arg(p.rect.width())
                          .arg(p.rect.height())
                          .arg(p.rect.x())
                          .arg(p.rect.y()));
    }
    cli::printOut(out.absoluteFilePath());
    cli::printOut(QFileInfo(project).absoluteFilePath());
    return cli::Exit::ok;
}

} // namespace mebo
