#include "packaging/ManPage.h"

#include <QTextStream>

namespace mebo::packaging {

namespace {

QString bold(const QString& text) {
    return QStringLiteral("\\fB") + roffEscape(text) + QStringLiteral("\\fR");
}

QString italic(const QString& text) {
    return QStringLiteral("\\fI") + roffEscape(text) + QStringLiteral("\\fR");
}

// "-o, --output OUT.png" with the names bold and the value italic.
QString termLine(const HelpEntry& e) {
    QStringList names;
    for (const QString& n : e.names) {
        names << bold(n);
    }
    QString line = names.join(QStringLiteral(", "));
    if (!e.value.isEmpty()) {
        line += QLatin1Char(' ') + (e.value == e.value.toUpper() ? italic(e.value) : roffEscape(e.value));
    }
    return line;
}

void writeEntries(QTextStream& out, const QList<HelpEntry>& entries) {
    for (const HelpEntry& e : entries) {
        out << ".TP\n" << termLine(e) << '\n' << roffEscape(e.description) << '\n';
    }
}

void writeUsage(QTextStream& out, const QStringList& usage) {
    out << ".nf\n";
    for (const QString& u : usage) {
        out << roffEscape(u) << '\n';
    }
    out << ".fi\n";
}

void writeBlocks(QTextStream& out, const QList<HelpBlock>& blocks) {
    for (const HelpBlock& b : blocks) {
        switch (b.kind) {
        case HelpBlock::Kind::paragraph:
            out << ".PP\n" << roffEscape(b.text) << '\n';
            break;
        case HelpBlock::Kind::list: {
            if (!b.text.isEmpty()) {
                out << ".PP\n" << (b.text.size() < 24 ? bold(b.text) : roffEscape(b.text)) << '\n';
            }
            writeEntries(out, b.entries);
            break;
        }
        case HelpBlock::Kind::verbatim:
            if (!b.text.isEmpty()) {
                out << ".PP\n" << (b.text.size() < 24 ? bold(b.text) : roffEscape(b.text)) << '\n';
            }
            out << ".PP\n.RS 4\n.nf\n";
            for (const QString& l : b.lines) {
                out << roffEscape(l) << '\n';
            }
            out << ".fi\n.RE\n";
            break;
        }
    }
}

} // namespace

QString roffEscape(const QString& text) {
    QString out;
    out.reserve(text.size() + 16);
    bool lineStart = true;
    for (const QChar c : text) {
        if (lineStart && (c == QLatin1Char('.') || c == QLatin1Char('\''))) {
            out += QStringLiteral("\\&");
        }
        if (c == QLatin1Char('\\')) {
            out += QStringLiteral("\\e");
        } else if (c == QLatin1Char('-')) {
            out += QStringLiteral("\\-");
        } else {
            out += c;
        }
        lineStart = c == QLatin1Char('\n');
    }
    return out;
}

QString manPage(const CliReference& ref, const QString& version, const QString& summary,
                const QString& tail) {
    QString text;
    QTextStream out(&text);
    out << ".\\\" Generated from the program's --help by mebo-gen; edit the help, not this file.\n"
        << ".TH MEBO 1 \"\" \"mebo " << roffEscape(version) << "\" \"User Commands\"\n"
        << ".SH NAME\nmebo \\- " << roffEscape(summary) << '\n';

    out << ".SH SYNOPSIS\n";
    QStringList synopsis = ref.desktop.usage;
    for (const QString& u : ref.main.usage) {
        if (!synopsis.contains(u)) {
            synopsis << u;
        }
    }
    writeUsage(out, synopsis);

    out << ".SH DESCRIPTION\n";
    for (const HelpPage* page : {&ref.main, &ref.desktop}) {
        for (const HelpBlock& b : page->blocks) {
            if (b.kind == HelpBlock::Kind::paragraph) {
                out << ".PP\n" << roffEscape(b.text) << '\n';
            }
        }
    }

    out << ".SH OPTIONS\n";
    writeEntries(out, ref.globalOptions());

    out << ".SH COMMANDS\n";
    for (const CliCommand& c : ref.commands) {
        out << ".SS \"mebo " << roffEscape(c.name) << "\"\n";
        if (!c.summary.isEmpty()) {
            out << roffEscape(c.summary.left(1).toUpper() + c.summary.mid(1)) << ".\n";
        }
        out << ".PP\n";
        writeUsage(out, c.page.usage);
        writeBlocks(out, c.page.blocks);
    }
    out << tail;
    if (!tail.isEmpty() && !tail.endsWith(QLatin1Char('\n'))) {
        out << '\n';
    }
    return text;
}

} // namespace mebo::packaging
