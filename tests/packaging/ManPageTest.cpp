#include "packaging/ManPage.h"
#include "packaging/ShellCompletion.h"

#include <gtest/gtest.h>

namespace mebo::packaging {
namespace {

struct EscapeCase {
    QString text;
    QString roff;
};

class RoffEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(RoffEscape, KeepsTextLiteral) {
    EXPECT_EQ(roffEscape(GetParam().text), GetParam().roff);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RoffEscape,
    ::testing::Values(EscapeCase{QStringLiteral("--save-dir DIR"), QStringLiteral("\\-\\-save\\-dir DIR")},
                      EscapeCase{QStringLiteral("a\\b"), QStringLiteral("a\\eb")},
                      EscapeCase{QStringLiteral(".mebo files"), QStringLiteral("\\&.mebo files")},
                      EscapeCase{QStringLiteral("'quoted'"), QStringLiteral("\\&'quoted'")},
                      EscapeCase{QStringLiteral("x\n.y"), QStringLiteral("x\n\\&.y")},
                      EscapeCase{QStringLiteral("mid.dot it's"), QStringLiteral("mid.dot it's")}));

CliReference sampleReference() {
    CliReference ref;
    ref.main = parseHelp(QStringLiteral("Usage: mebo [--background] [URL]\n       mebo COMMAND [options]\n\n"
                                        "Screenshots into a library.\n\nOptions common to all commands:\n"
                                        "  --verbose   write the log\n  --version   print the version\n"));
    ref.desktop = parseHelp(QStringLiteral("Usage: mebo [--background] [URL]\n\nStarts the application.\n\n"
                                           "  --background   start hidden\n"));
    CliCommand capture;
    capture.name = QStringLiteral("capture");
    capture.summary = QStringLiteral("take a still capture");
    capture.actions = {QStringLiteral("fullscreen"), QStringLiteral("area")};
    capture.page =
        parseHelp(QStringLiteral("Usage: mebo capture fullscreen|area [options]\n\nTakes one capture.\n\n"
                                 "Modes:\n  fullscreen   the whole display\n  area         a rectangle\n\n"
                                 "Options:\n  --save-dir DIR     write into DIR\n"
                                 "  --style pixelate|solid   how it's covered: see below\n"
                                 "  -o, --output OUT.png     where to write\n"));
    ref.commands << capture;
    return ref;
}

TEST(ManPage, HasTheSectionsAndEveryCommandOptionAndMode) {
    const QString page = manPage(sampleReference(), QStringLiteral("1.2.3"), QStringLiteral("screenshots"),
                                 QStringLiteral(".SH FILES\nnone"));
    const QStringList expected = {
        QStringLiteral(".TH MEBO 1 \"\" \"mebo 1.2.3\" \"User Commands\"\n"),
        QStringLiteral(".SH NAME\nmebo \\- screenshots\n"),
        QStringLiteral(".SH SYNOPSIS\n.nf\nmebo [\\-\\-background] [URL]\nmebo COMMAND [options]\n.fi\n"),
        QStringLiteral(".SH DESCRIPTION\n.PP\nScreenshots into a library.\n.PP\nStarts the application.\n"),
        QStringLiteral(
            ".SH OPTIONS\n.TP\n\\fB\\-\\-background\\fR\nstart hidden\n.TP\n\\fB\\-\\-verbose\\fR\n"),
        QStringLiteral(".TP\n\\fB\\-h\\fR, \\fB\\-\\-help\\fR\n"),
        QStringLiteral(".SH COMMANDS\n.SS \"mebo capture\"\nTake a still capture.\n"),
        QStringLiteral(".PP\n\\fBModes:\\fR\n.TP\n\\fBfullscreen\\fR\nthe whole display\n"),
        QStringLiteral(".TP\n\\fB\\-\\-save\\-dir\\fR \\fIDIR\\fR\nwrite into DIR\n"),
        QStringLiteral(".TP\n\\fB\\-o\\fR, \\fB\\-\\-output\\fR \\fIOUT.png\\fR\nwhere to write\n"),
        QStringLiteral(".TP\n\\fB\\-\\-style\\fR pixelate|solid\n"),
        QStringLiteral(".SH FILES\nnone\n"),
    };
    for (const QString& part : expected) {
        EXPECT_TRUE(page.contains(part)) << part.toStdString() << "\n--- in ---\n" << page.toStdString();
    }
}

struct ShortCase {
    QString text;
    int max;
    QString shortened;
};

class ShortDescriptions : public ::testing::TestWithParam<ShortCase> {};

TEST_P(ShortDescriptions, StopAtTheFirstClause) {
    EXPECT_EQ(shortDescription(GetParam().text, GetParam().max), GetParam().shortened);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortDescriptions,
    ::testing::Values(ShortCase{QStringLiteral("write into DIR"), 60, QStringLiteral("write into DIR")},
                      ShortCase{QStringLiteral("list: print one object"), 60, QStringLiteral("list")},
                      ShortCase{QStringLiteral("where (default: x); more"), 60, QStringLiteral("where")},
                      ShortCase{QStringLiteral("the whole display under the pointer"), 20,
                                QStringLiteral("the whole display...")},
                      ShortCase{QStringLiteral("abcdefghijklmnopqrstuvwxyz"), 10,
                                QStringLiteral("abcdefghij...")}));

TEST(ShellCompletion, ScriptsQuoteTheHelpTexts) {
    const CliReference ref = sampleReference();
    const QString zsh = zshCompletion(ref);
    EXPECT_TRUE(zsh.startsWith(QStringLiteral("#compdef mebo\n")));
    EXPECT_TRUE(zsh.contains(QStringLiteral("'--style[how it'\\''s covered]:value:(pixelate solid)'")))
        << zsh.toStdString();
    EXPECT_TRUE(
        zsh.contains(QStringLiteral("'(-o --output)'{-o,--output}'[where to write]:OUT.png:_files'")));
    EXPECT_TRUE(zsh.contains(QStringLiteral("'--save-dir[write into DIR]:DIR:_files -/'")));
    EXPECT_TRUE(zsh.contains(QStringLiteral("'1:action:(fullscreen area)'")));
    const QString fish = fishCompletion(ref);
    EXPECT_TRUE(fish.contains(QStringLiteral("-l style -x -a 'pixelate solid' -d 'how it\\'s covered'")))
        << fish.toStdString();
    EXPECT_TRUE(fish.contains(QStringLiteral("-s o -l output -r -F")));
    const QString bash = bashCompletion(ref);
    EXPECT_TRUE(
        bash.contains(QStringLiteral("\"capture --style\") COMPREPLY=($(compgen -W 'pixelate solid'")))
        << bash.toStdString();
    EXPECT_TRUE(bash.contains(QStringLiteral("\"capture -o\"|\"capture --output\") compopt -o filenames")));
}

} // namespace
} // namespace mebo::packaging
