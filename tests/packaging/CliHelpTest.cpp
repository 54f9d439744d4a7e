#include "packaging/CliReference.h"
#include "packaging/ManPage.h"
#include "packaging/ShellCompletion.h"

#include <gtest/gtest.h>

namespace mebo::packaging {
namespace {

const QString kRedactHelp = QStringLiteral(
    "Usage: mebo redact IMAGE [-o OUT.png] [--style pixelate|gaussian|solid]\n       mebo redact --list\n\n"
    "Finds personal data and covers\nevery item.\n\nOptions:\n"
    "  -o, --output OUT.png  where to write (default:\n                        beside IMAGE)\n"
    "  --style STYLE         how it's covered: see below\n  --json                print one object\n\n"
    "Keys:\n  mebo.copyToClipboard (bool)          mebo.playShutterSound (bool)\n  mebo.saveDirectory "
    "(string)\n");

TEST(CliHelp, ParsesUsageParagraphsListsAndTables) {
    const HelpPage page = parseHelp(kRedactHelp);
    EXPECT_EQ(page.usage,
              QStringList({QStringLiteral("mebo redact IMAGE [-o OUT.png] [--style pixelate|gaussian|solid]"),
                           QStringLiteral("mebo redact --list")}));
    ASSERT_EQ(page.blocks.size(), 3);
    EXPECT_EQ(page.blocks[0].text, QStringLiteral("Finds personal data and covers every item."));
    const HelpBlock& options = page.blocks[1];
    ASSERT_EQ(options.kind, HelpBlock::Kind::list);
    ASSERT_EQ(options.entries.size(), 3);
    EXPECT_EQ(options.entries[0].names, QStringList({QStringLiteral("-o"), QStringLiteral("--output")}));
    EXPECT_EQ(options.entries[0].value, QStringLiteral("OUT.png"));
    EXPECT_EQ(options.entries[0].description, QStringLiteral("where to write (default: beside IMAGE)"));
    // Lines that are not all "term  description" are kept as they stand.
    EXPECT_EQ(page.blocks[2].kind, HelpBlock::Kind::verbatim);
    EXPECT_EQ(page.blocks[2].lines.value(1), QStringLiteral("mebo.saveDirectory (string)"));

    // Options merge the lists with the usage lines, whose choices win over a placeholder.
    const QList<HelpEntry> merged = page.options();
    ASSERT_EQ(merged.size(), 3);
    EXPECT_EQ(merged[1].value, QStringLiteral("pixelate|gaussian|solid"));
    EXPECT_EQ(page.optionNames(),
              QStringList({QStringLiteral("-o"), QStringLiteral("--style"), QStringLiteral("--list"),
                           QStringLiteral("--output"), QStringLiteral("--json")}));
}

TEST(CliReference, ReadsEveryListedCommandAndWritesQuotedScripts) {
    auto help = [](const QStringList& args) -> std::optional<QString> {
        if (args.first() == QLatin1String("--help")) {
            return QStringLiteral("Usage: mebo COMMAND\n\nCommands:\n  capture fullscreen|area   take it\n"
                                  "  redact IMAGE   cover it\n\nOptions:\n  --verbose   write the log\n");
        }
        if (args.first() == QLatin1String("--background")) {
            return QStringLiteral("Usage: mebo [--background] [URL]\n");
        }
        return args.first() == QLatin1String("redact")
                   ? std::optional<QString>(kRedactHelp)
                   : QStringLiteral("Usage: mebo capture fullscreen|area [--save-dir DIR]\n");
    };
    QString error;
    const auto ref = CliReference::read(help, &error);
    ASSERT_TRUE(ref) << error.toStdString();
    ASSERT_EQ(ref->commands.size(), 2);
    EXPECT_EQ(ref->commands[0].actions, QStringList({QStringLiteral("fullscreen"), QStringLiteral("area")}));
    EXPECT_FALSE(ref->commands[0].takesFiles());
    EXPECT_TRUE(ref->commands[1].takesFiles());
    EXPECT_EQ(ref->globalOptions().size(), 3); // --background, --verbose, --help

    EXPECT_TRUE(zshCompletion(*ref).contains(
        QStringLiteral("'--style[how it'\\''s covered]:value:(pixelate gaussian solid)'")));
    EXPECT_TRUE(zshCompletion(*ref).contains(
        QStringLiteral("'(-o --output)'{-o,--output}'[where to write]:OUT.png:_files'")));
    EXPECT_TRUE(fishCompletion(*ref).contains(
        QStringLiteral("-l style -x -a 'pixelate gaussian solid' -d 'how it\\'s covered'")));
    EXPECT_TRUE(roffEscape(QStringLiteral(".a\\b --c\n'd")) == QStringLiteral("\\&.a\\eb \\-\\-c\n\\&'d"));

    // A command whose help fails stops the reading: nothing is written from half the pages.
    EXPECT_FALSE(CliReference::read(
        [&](const QStringList& a) { return a.first() == QLatin1String("redact") ? std::nullopt : help(a); },
        &error));
    EXPECT_EQ(error, QStringLiteral("'mebo redact --help' failed"));
}

} // namespace
} // namespace mebo::packaging
