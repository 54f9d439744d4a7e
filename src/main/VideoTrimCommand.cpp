#include "main/Commands.h"

#include "main/CliSupport.h"
#include "main/CommandRuntime.h"
#include "main/MediaModules.h"
#include "recording/VideoTrimmer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace mebo {

namespace {

const char* kVideoHelp = R"(Usage: mebo video trim VIDEO --start S --end E [-o OUT]

Copies the part of VIDEO between S and E seconds into a new MP4 without re-encoding (so it
starts at the key frame at or before S). A start that is not a number is 0, an end that is not a
number or lies past the end is the end. Writes VIDEO_trimmed.mp4 beside VIDEO unless -o names
the file; the copy is written to a temporary sibling first and replaces the destination only
when complete. Prints the written path.

Options:
  --start S          start in seconds
  --end E            end in seconds
  -o, --output OUT   the file to write
  --verbose          write the execution log to standard error
  --help             show this help
)";

} // namespace

int runVideoTrimCommand(int& argc, char** argv, const QStringList& rawArgs) {
    QStringList args;
    for (qsizetype i = 0; i < rawArgs.size(); ++i) {
        args << (rawArgs[i] == QLatin1String("-o") ? QStringLiteral("--output") : rawArgs[i]);
    }
    QString error;
    const auto opts = cli::parseOptions(
        args, {{"start", true}, {"end", true}, {"output", true}, {"verbose", false}, {"help", false}},
        &error);
    const QString cmd = QStringLiteral("video");
    if (!opts) {
        return cli::usageError(error, cmd);
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kVideoHelp).trimmed());
        return cli::Exit::ok;
    }
    if (opts->positional.size() != 1) {
        return cli::usageError(QStringLiteral("expected one VIDEO to trim"), cmd);
    }
    const QString source = QFileInfo(opts->positional[0]).absoluteFilePath();
    if (!QFileInfo(source).isFile()) {
        cli::printErr(QStringLiteral("no such file: %1").arg(opts->positional[0]));
        return cli::Exit::failure;
    }
    runtime::setVerbose(opts->has("verbose"));
    QCoreApplication app(argc, argv);
    runtime::nameApplication();
    MediaModules media;
    const auto info = media.probe().probe(source, &error);
    if (info && !info->hasVideo) {
        error = QStringLiteral("no video stream");
    }
    if (!info || !info->hasVideo) {
        cli::printErr(QStringLiteral("cannot read %1: %2").arg(opts->positional[0], error));
        return cli::Exit::failure;
    }
    const auto range = VideoTrimmer::parseRange(opts->value("start"), opts->value("end"), info->durationSec);
    if (!range) {
        cli::printErr(
            QStringLiteral("nothing to keep: the start must come before the end (the video lasts %1 s)")
                .arg(info->durationSec, 0, 'f', 1));
        return cli::Exit::failure;
    }
    const QString destination = opts->has("output") ? QFileInfo(opts->value("output")).absoluteFilePath()
                                                    : VideoTrimmer::trimmedPathFor(source);
    VideoTrimmer trimmer(media.remuxer());
    const auto written = trimmer.trim(source, *range, destination);
    if (!written) {
        const QString problem = runtime::lastProblem();
        cli::printErr(problem.isEmpty() ? QStringLiteral("the trim failed") : problem);
        return cli::Exit::failure;
    }
    cli::printOut(*written);
    return cli::Exit::ok;
}

} // namespace mebo
