// The manual page and the shell completions the build generated, against the program's own help.
#include "TestPaths.h"
#include "support/Process.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

const QString kDocs = QStringLiteral(MEBO_BUILD_DIR "/generated/docs");

QString help(const QStringList& args) {
    const test::ProgramRun run = test::runWithoutDisplay(QStringLiteral(MEBO_BINARY), args);
    EXPECT_EQ(run.exitCode, 0) << args.join(QLatin1Char(' ')).toStdString() << ": " << run.err.toStdString();
    return run.out;
}

// The commands the main help lists, read without the generator's parser.
QStringList commands() {
    const QString main = help({QStringLiteral("--help")});
    QStringList names;
    for (const QString& line : main.section(QStringLiteral("\nCommands:\n"), 1).split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("  "))) {
            return names;
        }
        names << line.trimmed().section(QLatin1Char(' '), 0, 0);
    }
    return names;
}

QStringList optionTokens(const QString& text) {
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])(--?[a-zA-Z][a-zA-Z0-9-]*)"));
    QStringList out;
    for (auto it = option.globalMatch(text); it.hasNext();) {
        out << it.next().captured(1);
    }
    out.removeDuplicates();
    return out;
}

TEST(CommandLineDocs, TheManualPageDocumentsEveryCommandAndOptionOfTheHelp) {
    const QStringList names = commands();
    ASSERT_GE(names.size(), 6);
    // man renders the installed, compressed page; --warnings reports roff mistakes on stderr.
    const test::ProgramRun man = test::runWithoutDisplay(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"),
         QStringLiteral("MANWIDTH=300 LC_ALL=C.UTF-8 man --warnings -l '%1' 2>&1 >/dev/null | "
                        "sed 's/^/warning: /'; MANWIDTH=300 LC_ALL=C.UTF-8 man -l '%1'")
             .arg(QStringLiteral(MEBO_BUILD_DIR "/share/man/man1/mebo.1.gz"))});
    ASSERT_EQ(man.exitCode, 0) << man.err.toStdString();
    EXPECT_FALSE(man.out.contains(QStringLiteral("warning: "))) << man.out.toStdString();
    const QString page = man.out;
    ASSERT_TRUE(page.contains(QStringLiteral("COMMANDS"))) << page.toStdString();

    QList<QStringList> pages = {{QStringLiteral("--help")},
                                {QStringLiteral("--background"), QStringLiteral("--help")}};
    for (const QString& c : names) {
        EXPECT_TRUE(page.contains(QStringLiteral("mebo ") + c)) << c.toStdString();
        pages << QStringList{c, QStringLiteral("--help")};
    }
    for (const QStringList& args : pages) {
        const QString text = help(args);
        for (const QString& option : optionTokens(text)) {
            EXPECT_TRUE(page.contains(option))
                << option.toStdString() << " of mebo " << args.join(' ').toStdString();
        }
        // Each option the help lists has its own item, its term starting a line.
        static const QRegularExpression term(QStringLiteral("^  (-\\S.*?)(  |$)"),
                                             QRegularExpression::MultilineOption);
        for (auto it = term.globalMatch(text); it.hasNext();) {
            const QString t = it.next().captured(1);
            static const QRegularExpression indent(QStringLiteral("^ +"),
                                                   QRegularExpression::MultilineOption);
            EXPECT_TRUE(QString(page).remove(indent).contains(QStringLiteral("\n") + t)) << t.toStdString();
        }
        const QString usage = text.section(QLatin1Char('\n'), 0, 0).mid(7); // after "Usage: "
        EXPECT_TRUE(page.contains(usage)) << usage.toStdString();
    }
}

// What bash completes for `words` (the last one being completed), one candidate a line.
QStringList bashComplete(const QString& words, const QString& cwd = QString()) {
    const QString script =
        QStringLiteral("source '%1/mebo.bash'; %2 COMP_WORDS=(%3); COMP_CWORD=$((${#COMP_WORDS[@]} - 1));"
                       "[[ '%3' == *' ' ]] && { COMP_WORDS+=(''); COMP_CWORD=$((COMP_CWORD + 1)); };"
                       "_mebo; printf '%s\\n' \"${COMPREPLY[@]}\"")
            .arg(kDocs, cwd.isEmpty() ? QString() : QStringLiteral("cd '%1';").arg(cwd), words);
    const test::ProgramRun run =
        test::runWithoutDisplay(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), script});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    return run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST(CommandLineDocs, BashCompletesActionsValuesAndFiles) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("shots"));
    QFile(dir.filePath(QStringLiteral("shot.png"))).open(QIODevice::WriteOnly);
    const QList<std::pair<QString, QString>> cases = {
        {QStringLiteral("mebo capture "), QStringLiteral("area fullscreen window")},
        {QStringLiteral("mebo capture --save-dir sh"), QStringLiteral("shots")},
        {QStringLiteral("mebo capture --save-dir shots ar"), QStringLiteral("area")},
        {QStringLiteral("mebo capture area --geometry "), QString()},
        {QStringLiteral("mebo redact shot.png --style "), QStringLiteral("gaussian pixelate solid")},
        {QStringLiteral("mebo redact sh"), QStringLiteral("shot.png shots")},
        {QStringLiteral("mebo history list "), QString()},
        {QStringLiteral("mebo --ver"), QStringLiteral("--verbose --version")},
    };
    for (const auto& [words, expected] : cases) {
        QStringList got = bashComplete(words, dir.path());
        got.sort();
        EXPECT_EQ(got.join(QLatin1Char(' ')), expected) << words.toStdString();
    }
}

TEST(CommandLineDocs, EveryShellCompletesEveryCommandAndOption) {
    const QStringList names = commands();
    QStringList top = bashComplete(QStringLiteral("mebo "));
    EXPECT_EQ(top, names);

    for (const QString& c : names) {
        const QStringList offered = bashComplete(QStringLiteral("mebo ") + c + QStringLiteral(" -"));
        for (const QString& option : optionTokens(help({c, QStringLiteral("--help")}))) {
            if (option != QLatin1String("-h")) {
                EXPECT_TRUE(offered.contains(option))
                    << "mebo " << c.toStdString() << ' ' << option.toStdString();
            }
        }
    }

    const test::ProgramRun fish = test::runWithoutDisplay(
        QStringLiteral("/usr/bin/fish"),
        {QStringLiteral("--no-config"), QStringLiteral("-c"),
         QStringLiteral(
             "source '%1/mebo.fish'; complete -C 'mebo capture '; echo ---; complete -C 'mebo '; echo ---;"
             "complete -C 'mebo redact x.png --style '; echo ---; complete -C 'mebo capture --sa'")
             .arg(kDocs)});
    ASSERT_EQ(fish.exitCode, 0) << fish.err.toStdString();
    const QStringList parts = fish.out.split(QStringLiteral("---"));
    ASSERT_EQ(parts.size(), 4) << fish.out.toStdString();
    EXPECT_TRUE(parts[0].contains(QStringLiteral("fullscreen")) &&
                parts[2].contains(QStringLiteral("gaussian")) &&
                parts[3].contains(QStringLiteral("--save-dir")))
        << fish.out.toStdString();
    for (const QString& c : names) {
        EXPECT_TRUE(parts[1].contains(QStringLiteral("\n") + c + QLatin1Char('\t'))) << c.toStdString();
    }

    // zsh loads the function without a syntax error.
    const test::ProgramRun zsh = test::runWithoutDisplay(
        QStringLiteral("/usr/bin/zsh"), {QStringLiteral("-n"), kDocs + QStringLiteral("/_mebo")});
    EXPECT_EQ(zsh.exitCode, 0) << zsh.err.toStdString();
}

} // namespace
} // namespace mebo
