#include "capture/PngWriter.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/Commands.h"
#include "scroll/FrameSequenceStitcher.h"
#include "scroll/ScrollStitcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonObject>

namespace mebo {

namespace {

const char* kStitchHelp = R"(Usage: mebo stitch FRAME.png... -o OUT.png [--json]

Stitches frames of a scrolled page, taken from top to bottom, into one tall image with the
stitcher of scroll captures: each frame is aligned with the image so far and only the rows it
adds are appended (fixed headers are not repeated; frames that show nothing new are skipped).
Consecutive frames must overlap.

Options:
  -o, --output OUT.png  where to write the image (written whole or not at all)
  --json                print one JSON object: path, width, height, frames (frames appended),
                        duplicates (frames skipped)
  --verbose             write the execution log to standard error
  --help                show this help
)";

} // namespace

int runStitchCommand(int& argc, char** argv, const QStringList& rawArgs) {
    // "-o" is the short form of "--output".
    QStringList args;
    for (const QString& a : rawArgs) {
        args << (a == QLatin1String("-o") ? QStringLiteral("--output") : a);
    }
    QString error;
    const auto opts = cli::parseOptions(
        args, {{"output", true}, {"json", false}, {"verbose", false}, {"help", false}}, &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("stitch"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kStitchHelp).trimmed());
        return cli::Exit::ok;
    }
    if (opts->positional.isEmpty()) {
        return cli::usageError(QStringLiteral("which frames? give them in order, top of the page first"),
                               QStringLiteral("stitch"));
    }
    if (!opts->has("output") || opts->value("output").isEmpty()) {
        return cli::usageError(QStringLiteral("where to? give the output with -o OUT.png"),
                               QStringLiteral("stitch"));
    }
    runtime::setVerbose(opts->has("verbose"));
    QCoreApplication app(argc, argv);
    runtime::nameApplication();

    const QStringList frames = opts->positional;
    const QString output = QDir::cleanPath(QDir::current().absoluteFilePath(opts->value("output")));
    QSize firstSize;
    const auto result = FrameSequenceStitcher::stitch(
        int(frames.size()),
        [&](int i, QString* why) {
            QImageReader reader(frames[i]);
            QImage image = reader.read();
            if (image.isNull()) {
                *why = QStringLiteral("cannot read frame '%1': %2").arg(frames[i], reader.errorString());
            } else if (firstSize.isValid() && image.width() != firstSize.width()) {
                *why = QStringLiteral(
                           "frame '%1' is %2 pixels wide, the first frame %3: frames of one page have "
                           "one width")
                           .arg(frames[i])
                           .arg(image.width())
                           .arg(firstSize.width());
                image = QImage();
            } else {
                firstSize = image.size();
            }
            return image;
        },
        ScrollStitcher::defaultByteLimit);
    if (!result.image) {
        cli::printErr(result.error);
        return cli::Exit::failure;
    }
    if (!result.error.isEmpty()) {
        cli::printErr(result.error + QStringLiteral("; the image stops there"));
    }
    const QImage image = result.image->compose();
    if (image.isNull() || !PngWriter::writeFile(image, output, &error)) {
        cli::printErr(QStringLiteral("cannot write '%1': %2")
                          .arg(output, image.isNull() ? QStringLiteral("out of memory") : error));
        return cli::Exit::failure;
    }
    if (opts->has("json")) {
        cli::printJson(QJsonObject{{"path", output},
                                   {"width", image.width()},
                                   {"height", image.height()},
                                   {"frames", result.framesAppended},
                                   {"duplicates", result.duplicates}});
    } else {
        cli::printOut(output);
    }
    return cli::Exit::ok;
}

} // namespace mebo
