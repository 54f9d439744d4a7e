#include "packaging/CliHelp.h"
#include "packaging/CliReference.h"

#include <gtest/gtest.h>

namespace mebo::packaging {
namespace {

const char* kRedactHelp = R"(Usage: mebo redact IMAGE [-o OUT.png] [--style pixelate|gaussian|solid] [--json]
       mebo redact --list

Finds personal data in an image and covers every item
with a mosaic.

Options:
  -o, --output OUT.png  where to write (default: IMAGE-redacted.png
                        beside IMAGE)
  --style STYLE         pixelate (default), gaussian or solid
  --json                print one object
  --help                show this help

Keys:
  mebo.copyToClipboard (bool)          mebo.openEditorAfterCapture (bool)
  mebo.playShutterSound (bool, read at start)
)";

TEST(CliHelp, ParsesUsageParagraphsListsAndTables) {
    const HelpPage page = parseHelp(QString::fromUtf8(kRedactHelp));
    EXPECT_EQ(page.usage,
              QStringList({QStringLiteral(
                               "mebo redact IMAGE [-o OUT.png] [--style pixelate|gaussian|solid] [--json]"),
                           QStringLiteral("mebo redact --list")}));
    ASSERT_EQ(page.blocks.size(), 3);
    EXPECT_EQ(page.blocks[0].kind, HelpBlock::Kind::paragraph);
    EXPECT_EQ(page.blocks[0].text,
              QStringLiteral("Finds personal data in an image and covers every item with a mosaic."));

    const HelpBlock& options = page.blocks[1];
    EXPECT_EQ(options.kind, HelpBlock::Kind::list);
    EXPECT_EQ(options.text, QStringLiteral("Options:"));
    ASSERT_EQ(options.entries.size(), 4);
    EXPECT_EQ(options.entries[0].names, QStringList({QStringLiteral("-o"), QStringLiteral("--output")}));
    EXPECT_EQ(options.entries[0].value, QStringLiteral("OUT.png"));
    EXPECT_EQ(options.entries[0].description,
              QStringLiteral("where to write (default: IMAGE-redacted.png beside IMAGE)"));
    EXPECT_EQ(page.list(QStringLiteral("Options")), &page.blocks[1]);
    EXPECT_EQ(page.list(QStringLiteral("Commands")), nullptr);

    // A block whose lines are not all "term  description" is kept as it stands.
    const HelpBlock& keys = page.blocks[2];
    EXPECT_EQ(keys.kind, HelpBlock::Kind::verbatim);
    EXPECT_EQ(keys.lines.value(1), QStringLiteral("mebo.playShutterSound (bool, read at start)"));
    EXPECT_TRUE(keys.entries.isEmpty());
}

TEST(CliHelp, OptionsMergeTheListsWithTheUsageLines) {
    const HelpPage page = parseHelp(QString::fromUtf8(kRedactHelp));
    const QList<HelpEntry> options = page.options();
    QStringList last;
    for (const HelpEntry& e : options) {
        last << e.names.last();
    }
    EXPECT_EQ(last, QStringList({QStringLiteral("--output"), QStringLiteral("--style"),
                                 QStringLiteral("--json"), QStringLiteral("--help")}));
    // The usage line spells out the choices the list only names.
    EXPECT_EQ(options[1].value, QStringLiteral("pixelate|gaussian|solid"));
    EXPECT_EQ(page.optionNames(),
              QStringList({QStringLiteral("-o"), QStringLiteral("--style"), QStringLiteral("--json"),
                           QStringLiteral("--list"), QStringLiteral("--output"), QStringLiteral("--help")}));

    // An option only the usage names (the desktop application's --background) is still listed.
    const HelpPage desktop =
        parseHelp(QStringLiteral("Usage: mebo [--background] [--verbose]\n\nStarts it.\n"));
    ASSERT_EQ(desktop.options().size(), 2);
    EXPECT_EQ(desktop.options()[0].names, QStringList({QStringLiteral("--background")}));
}

struct TermCase {
    const char* term;
    QStringList names;
    QString value;
    QStringList choices;
    ValueKind kind;
};

class Terms : public ::testing::TestWithParam<TermCase> {};

TEST_P(Terms, SplitIntoNamesAndValue) {
    const TermCase& c = GetParam();
    const HelpEntry e = parseTerm(QString::fromUtf8(c.term));
    EXPECT_EQ(e.names, c.names);
    EXPECT_EQ(e.value, c.value);
    EXPECT_EQ(valueChoices(e.value), c.choices);
    EXPECT_EQ(valueKind(e.value), c.kind);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Terms,
    ::testing::Values(
        TermCase{"--json", {QStringLiteral("--json")}, QString(), {}, ValueKind::none},
        TermCase{"--save-dir DIR",
                 {QStringLiteral("--save-dir")},
                 QStringLiteral("DIR"),
                 {},
                 ValueKind::directory},
        TermCase{"-o, --output OUT.png",
                 {QStringLiteral("-o"), QStringLiteral("--output")},
                 QStringLiteral("OUT.png"),
                 {},
                 ValueKind::file},
        TermCase{"--geometry WxH+X+Y",
                 {QStringLiteral("--geometry")},
                 QStringLiteral("WxH+X+Y"),
                 {},
                 ValueKind::text},
        TermCase{"--style pixelate|gaussian|solid",
                 {QStringLiteral("--style")},
                 QStringLiteral("pixelate|gaussian|solid"),
                 {QStringLiteral("pixelate"), QStringLiteral("gaussian"), QStringLiteral("solid")},
                 ValueKind::choice},
        TermCase{"capture fullscreen|window|area",
                 {QStringLiteral("capture")},
                 QStringLiteral("fullscreen|window|area"),
                 {QStringLiteral("fullscreen"), QStringLiteral("window"), QStringLiteral("area")},
                 ValueKind::choice},
        TermCase{"ocr IMAGE", {QStringLiteral("ocr")}, QStringLiteral("IMAGE"), {}, ValueKind::file},
        TermCase{"--display ID", {QStringLiteral("--display")}, QStringLiteral("ID"), {}, ValueKind::text},
        TermCase{
            "doc FILE.mebo", {QStringLiteral("doc")}, QStringLiteral("FILE.mebo"), {}, ValueKind::file}));

TEST(CliReference, ReadsEveryCommandTheMainHelpLists) {
    const QString main =
        QStringLiteral("Usage: mebo [--background]\n       mebo COMMAND [options]\n\nScreenshots.\n\n"
                       "Commands:\n  capture fullscreen|area   take a capture\n"
                       "  ocr IMAGE                 read the text\n\n"
                       "Options common to all commands:\n  --verbose   write the log\n");
    QStringList asked;
    auto help = [&](const QStringList& args) -> std::optional<QString> {
        asked << args.join(QLatin1Char(' '));
        if (args.first() == QLatin1String("--help")) {
            return main;
        }
        if (args.first() == QLatin1String("--background")) {
            return QStringLiteral("Usage: mebo [--background]\n\n  --background   start hidden\n");
        }
        if (args.first() == QLatin1String("capture")) {
            return QStringLiteral("Usage: mebo capture fullscreen|area [--save-dir DIR]\n");
        }
        return QStringLiteral("Usage: mebo ocr IMAGE [--json]\n");
    };
    QString error;
    const auto ref = CliReference::read(help, &error);
    ASSERT_TRUE(ref) << error.toStdString();
    EXPECT_EQ(asked, QStringList({QStringLiteral("--help"), QStringLiteral("--background --help"),
                                  QStringLiteral("capture --help"), QStringLiteral("ocr --help")}));
    ASSERT_EQ(ref->commands.size(), 2);
    EXPECT_EQ(ref->commands[0].actions, QStringList({QStringLiteral("fullscreen"), QStringLiteral("area")}));
    EXPECT_FALSE(ref->commands[0].takesFiles());
    EXPECT_TRUE(ref->commands[1].actions.isEmpty());
    EXPECT_TRUE(ref->commands[1].takesFiles());
    QStringList global;
    for (const HelpEntry& e : ref->globalOptions()) {
        global << e.names.join(QLatin1Char(','));
    }
    EXPECT_EQ(global, QStringList({QStringLiteral("--background"), QStringLiteral("--verbose"),
                                   QStringLiteral("-h,--help")}));

    // A command whose help fails stops the reading: nothing is written from half the pages.
    auto failing = [&](const QStringList& args) -> std::optional<QString> {
        return args.first() == QLatin1String("ocr") ? std::nullopt : help(args);
    };
    EXPECT_FALSE(CliReference::read(failing, &error));
    EXPECT_EQ(error, QStringLiteral("'mebo ocr --help' failed"));
    EXPECT_FALSE(
        CliReference::read([](const QStringList&) { return QStringLiteral("Usage: mebo\n"); }, &error));
    EXPECT_EQ(error, QStringLiteral("the main help lists no commands"));
}

} // namespace
} // namespace mebo::packaging
