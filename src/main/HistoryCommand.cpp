#include "main/Commands.h"

#include "app/Cfg.h"
#include "library/HistoryStore.h"
#include "main/AppServices.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>

namespace mebo {

namespace {

const char* kHistoryHelp = R"(Usage: mebo history list [--json]
       mebo history delete ID
       mebo history tag ID [TAG...]

Lists the capture library (newest first), removes one item (its file and the files that belong
to it go to the Trash) or gives an item its tags (none clears them). A running Mebo shows the
change at once.

Options:
  --save-dir DIR   use the library in DIR instead of the configured save folder
  --json           list: print one JSON object {"entries": [...]} in the index's own form
  --verbose        write the execution log to standard error
  --help           show this help
)";

} // namespace

int runHistoryCommand(int& argc, char** argv, const QStringList& args) {
    QString error;
    const auto opts = cli::parseOptions(
        args, {{"json", false}, {"save-dir", true}, {"verbose", false}, {"help", false}}, &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("history"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kHistoryHelp).trimmed());
        return cli::Exit::ok;
    }
    const QString action = opts->positional.value(0);
    const bool tag = action == QLatin1String("tag");
    if (action != QLatin1String("list") && action != QLatin1String("delete") && !tag) {
        return cli::usageError(action.isEmpty() ? QStringLiteral("which action? list, delete or tag")
                                                : QStringLiteral("unknown history action '%1'").arg(action),
                               QStringLiteral("history"));
    }
    if (action == QLatin1String("list") && opts->positional.size() != 1) {
        return cli::usageError(QStringLiteral("list takes no arguments"), QStringLiteral("history"));
    }
    if (action == QLatin1String("delete") && opts->positional.size() != 2) {
        return cli::usageError(QStringLiteral("delete takes one item id"), QStringLiteral("history"));
    }
    if (tag && opts->positional.size() < 2) {
        return cli::usageError(QStringLiteral("tag takes an item id and its tags"),
                               QStringLiteral("history"));
    }
    if (action != QLatin1String("list") && opts->has("json")) {
        return cli::usageError(QStringLiteral("--json applies to list"), QStringLiteral("history"));
    }

    runtime::setVerbose(opts->has("verbose"));
    runtime::nameApplication();
    auto defaults = runtime::openDefaults();
    if (!defaults) {
        return cli::Exit::failure;
    }
    QCoreApplication app(argc, argv);
    runtime::nameApplication();

    AppServices::Options serviceOptions;
    if (opts->has("save-dir")) {
        serviceOptions.saveDirectoryOverride = opts->value("save-dir");
    }
    AppServices services(*defaults, serviceOptions);
    HistoryStore& history = services.history();
    history.load();

    if (action == QLatin1String("list")) {
        // The list as loaded; the orphan scan's corrections are saved before the command ends.
        const QList<HistoryEntry> entries = history.entries();
        if (opts->has("json")) {
            QJsonArray array;
            for (const auto& e : entries) {
                array.append(e.toJson());
            }
            cli::printJson(QJsonObject{{"entries", array}});
        } else {
            for (const auto& e : entries) {
                cli::printOut(
                    QStringLiteral("%1  %2  %3  %4x%5  %6")
                        .arg(e.id, e.createdAt.toLocalTime().toString(Qt::ISODate), e.mode.leftJustified(10))
                        .arg(e.widthPx)
                        .arg(e.heightPx)
                        .arg(history.mainFilePath(e)));
            }
        }
        services.settle(30000);
        return cli::Exit::ok;
    }

    // Deleting and tagging wait for the orphan scan, so the id refers to the settled list.
    services.settle(30000);
    const QString id = opts->positional.at(1).toUpper();
    const auto& entries = history.entries();
    const auto it =
        std::find_if(entries.begin(), entries.end(), [&](const HistoryEntry& e) { return e.id == id; });
    if (it == entries.end()) {
        cli::printErr(QStringLiteral("no history item %1 in %2")
                          .arg(opts->positional.at(1), services.cfg().saveDirectory()));
        return cli::Exit::failure;
    }
    if (tag) {
        HistoryEntry tagged = *it;
        tagged.tags.clear();
        for (const QString& t : opts->positional.mid(2)) {
            const QString clean = t.simplified();
            if (!clean.isEmpty() && !tagged.tags.contains(clean, Qt::CaseInsensitive)) {
                tagged.tags << clean;
            }
        }
        if (!history.updateEntry(tagged) || !runtime::lastProblem().isEmpty()) {
            cli::printErr(runtime::lastProblem());
            return cli::Exit::failure;
        }
        cli::printOut(QStringLiteral("%1 tags: %2").arg(tagged.id, tagged.tags.join(QStringLiteral(", "))));
        return cli::Exit::ok;
    }
    const HistoryEntry victim = *it;
    history.deleteEntry(victim);
    services.settle(30000);
    const bool gone = std::none_of(history.entries().begin(), history.entries().end(),
                                   [&](const HistoryEntry& e) { return e.id == id; });
    if (!gone) {
        cli::printErr(runtime::lastProblem());
        return cli::Exit::failure;
    }
    const QString problem = runtime::lastProblem();
    if (!problem.isEmpty()) {
        // The entry left the list but a file could not be moved to the Trash.
        cli::printErr(problem);
        return cli::Exit::failure;
    }
    cli::printOut(QStringLiteral("deleted %1").arg(victim.id));
    return cli::Exit::ok;
}

} // namespace mebo
