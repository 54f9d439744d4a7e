#include "main/Cli.h"

#include "main/CliSupport.h"
#include "main/ClipboardKeeper.h"
#include "main/Commands.h"
#include "services/VersionMgr.h"

#include <QString>
#include <QStringList>

namespace mebo {

namespace {

const char* kMainHelp = R"(Usage: mebo [--background] [mebo://capture?mode=MODE]
       mebo COMMAND [options]

Screenshots into a library you can browse, script and annotate. Without a command, starts the
desktop application (or hands the URL to the one already running).

Commands:
  capture fullscreen|window|area   take a still capture into the library
  capture scroll                   scroll a page and stitch it into one tall capture
  stitch FRAME.png... -o OUT.png   stitch frames of a scrolled page into one image
  history list|delete              list the library or move an item to the Trash
  config list|get|set|unset        read and change the settings
  doc info|render|resave|check     read, render and rewrite image projects (.mebo)
  ocr IMAGE                        recognise the text of an image
  redact IMAGE                     cover the personal data in an image with mosaics
  update check|install             look for a newer Mebo, or install it
  companion install                install the hotkey companion Tasu
  record fullscreen|area|window    record the screen with sound into the library
  video trim VIDEO                 cut a time range out of a video without re-encoding
  simplify IMAGE                   reduce a screenshot to its layout with plain shapes
  video info|resave                read video projects (.mebo-video) and video files
  video export|gif                 export a video project or a video as MP4 or GIF

'mebo COMMAND --help' describes each command. Options common to all commands:
  --verbose   write the execution log to standard error
  --version   print the version
)";

} // namespace

int runMain(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    // No command, a URL or a desktop option: the desktop application.
    if (args.isEmpty() || args.first().contains(QLatin1String("://")) ||
        args.first() == QLatin1String("--background") || args.first() == QLatin1String("--show") ||
        (args.first() == QLatin1String("--verbose") && args.size() == 1)) {
        return runDesktopApp(argc, argv, args);
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String(ClipboardKeeper::kCommand)) {
        return ClipboardKeeper::serve(argc, argv); // started by a command that copied an image
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        cli::printOut(QString::fromUtf8(kMainHelp).trimmed());
        return cli::Exit::ok;
    }
    if (command == QLatin1String("--version")) {
        cli::printOut(QStringLiteral("mebo ") + VersionMgr::shared().displayString());
        return cli::Exit::ok;
    }
    if (command == QLatin1String("capture")) {
        if (!args.isEmpty() && args.first() == QLatin1String("scroll")) {
            return runScrollCaptureCommand(argc, argv, args.mid(1));
        }
        return runCaptureCommand(argc, argv, args);
    }
    if (command == QLatin1String("history")) {
        return runHistoryCommand(argc, argv, args);
    }
    if (command == QLatin1String("config")) {
        return runConfigCommand(argc, argv, args);
    }
    if (command == QLatin1String("doc")) {
        return runDocCommand(argc, argv, args);
    }
    if (command == QLatin1String("ocr")) {
        return runOcrCommand(argc, argv, args);
    }
    if (command == QLatin1String("stitch")) {
        return runStitchCommand(argc, argv, args);
    }
    if (command == QLatin1String("redact")) {
        return runRedactCommand(argc, argv, args);
    }
    if (command == QLatin1String("update")) {
        return runUpdateCommand(argc, argv, args);
    }
    if (command == QLatin1String("companion")) {
        return runCompanionCommand(argc, argv, args);
    }
    if (command == QLatin1String("record")) {
        return runRecordCommand(argc, argv, args);
    }
    if (command == QLatin1String("video") && !args.isEmpty() && args.first() == QLatin1String("trim")) {
        return runVideoTrimCommand(argc, argv, args.mid(1));
    }
    if (command == QLatin1String("simplify")) {
        return runSimplifyCommand(argc, argv, args);
    }
    if (command == QLatin1String("video")) {
        return runVideoCommand(argc, argv, args);
    }
    cli::printErr(QStringLiteral("unknown command '%1' (see 'mebo --help')").arg(command));
    return cli::Exit::usage;
}

} // namespace mebo
