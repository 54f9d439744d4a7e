#include "packaging/CliHelp.h"

#include <QRegularExpression>

namespace mebo::packaging {

namespace {

int indentOf(const QString& line) {
    int n = 0;
    while (n < line.size() && line[n] == QLatin1Char(' ')) {
        ++n;
    }
    return n;
}

// Splits "  --json      print one object" at its first run of two or more spaces.
bool splitTerm(const QString& line, QString* term, QString* description) {
    const QString body = line.trimmed();
    static const QRegularExpression gap(QStringLiteral(" {2,}"));
    const QRegularExpressionMatch m = gap.match(body);
    if (!m.hasMatch()) {
        *term = body;
        description->clear();
        return false;
    }
    *term = body.left(m.capturedStart());
    *description = body.mid(m.capturedEnd());
    return true;
}

// An indented block: a list when every line at the block's smallest indentation has a term and
// a description, otherwise verbatim.
HelpBlock indentedBlock(const QString& heading, const QStringList& lines) {
    int base = INT_MAX;
    for (const QString& l : lines) {
        base = std::min(base, indentOf(l));
    }
    HelpBlock block;
    block.text = heading;
    block.kind = HelpBlock::Kind::list;
    for (const QString& l : lines) {
        if (indentOf(l) > base && !block.entries.isEmpty()) {
            block.entries.last().description += QLatin1Char(' ') + l.trimmed();
            continue;
        }
        QString term;
        QString description;
        if (indentOf(l) > base || !splitTerm(l, &term, &description)) {
            block.kind = HelpBlock::Kind::verbatim;
            break;
        }
        HelpEntry entry = parseTerm(term);
        entry.description = description;
        block.entries << entry;
    }
    if (block.kind == HelpBlock::Kind::verbatim) {
        block.entries.clear();
        for (const QString& l : lines) {
            block.lines << l.mid(base);
        }
    }
    return block;
}

} // namespace

HelpEntry parseTerm(const QString& term) {
    HelpEntry entry;
    const QStringList parts = term.split(QStringLiteral(", "));
    for (const QString& part : parts) {
        const qsizetype space = part.indexOf(QLatin1Char(' '));
        entry.names << (space < 0 ? part : part.left(space));
        if (space >= 0) {
            entry.value = part.mid(space + 1).trimmed();
        }
    }
    return entry;
}

QStringList valueChoices(const QString& value) {
    static const QRegularExpression word(QStringLiteral("^[a-z][a-zA-Z0-9-]*$"));
    const QStringList parts = value.split(QLatin1Char('|'));
    for (const QString& p : parts) {
        if (!word.match(p).hasMatch()) {
            return {};
        }
    }
    return parts;
}

HelpPage parseHelp(const QString& text) {
    HelpPage page;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& l : lines) {
        while (l.endsWith(QLatin1Char(' ')) || l.endsWith(QLatin1Char('\r'))) {
            l.chop(1);
        }
    }
    int i = 0;
    if (i < lines.size() && lines[i].startsWith(QLatin1String("Usage:"))) {
        page.usage << lines[i].mid(6).trimmed();
        for (++i; i < lines.size() && indentOf(lines[i]) > 0 &&
                  lines[i].trimmed().startsWith(QLatin1String("mebo"));
             ++i) {
            page.usage << lines[i].trimmed();
        }
    }
    while (i < lines.size()) {
        if (lines[i].isEmpty()) {
            ++i;
            continue;
        }
        // Running text up to the first indented line; a last line ending in a colon heads what
        // follows.
        QStringList prose;
        for (; i < lines.size() && !lines[i].isEmpty() && indentOf(lines[i]) == 0; ++i) {
            prose << lines[i];
        }
        QStringList indented;
        for (; i < lines.size() && !lines[i].isEmpty() && indentOf(lines[i]) > 0; ++i) {
            indented << lines[i];
        }
        QString heading;
        if (!indented.isEmpty() && !prose.isEmpty() && prose.last().endsWith(QLatin1Char(':'))) {
            heading = prose.takeLast();
        }
        if (!prose.isEmpty()) {
            HelpBlock paragraph;
            paragraph.text = prose.join(QLatin1Char(' '));
            page.blocks << paragraph;
        }
        if (!indented.isEmpty()) {
            page.blocks << indentedBlock(heading, indented);
        }
    }
    return page;
}

QList<HelpEntry> HelpPage::options() const {
    QList<HelpEntry> out;
    QStringList seen;
    for (const HelpBlock& b : blocks) {
        for (const HelpEntry& e : b.entries) {
            if (e.isOption() && !seen.contains(e.names.last())) {
                out << e;
                seen << e.names;
            }
        }
    }
    // "[--style pixelate|gaussian|solid]", "[--background]": options the usage lines name.
    static const QRegularExpression bracket(QStringLiteral("\\[(-[^\\]]+)\\]"));
    for (const QString& u : usage) {
        for (auto it = bracket.globalMatch(u); it.hasNext();) {
            const HelpEntry e = parseTerm(it.next().captured(1));
            const auto known = std::find_if(out.begin(), out.end(), [&](const HelpEntry& o) {
                return o.names.contains(e.names.first());
            });
            if (known == out.end()) {
                out << e;
            } else if (!valueChoices(e.value).isEmpty() && valueChoices(known->value).isEmpty()) {
                known->value = e.value; // the usage line spells the choices out
            }
        }
    }
    return out;
}

const HelpBlock* HelpPage::list(const QString& heading) const {
    for (const HelpBlock& b : blocks) {
        if (b.kind == HelpBlock::Kind::list && b.text.startsWith(heading)) {
            return &b;
        }
    }
    return nullptr;
}

QStringList HelpPage::optionNames() const {
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])(--?[a-zA-Z][a-zA-Z0-9-]*)"));
    QStringList texts = usage;
    for (const HelpBlock& b : blocks) {
        for (const HelpEntry& e : b.entries) {
            texts << e.names.join(QLatin1Char(' '));
        }
    }
    QStringList out;
    for (const QString& t : texts) {
        for (auto it = option.globalMatch(t); it.hasNext();) {
            const QString name = it.next().captured(1);
            if (!out.contains(name)) {
                out << name;
            }
        }
    }
    return out;
}

} // namespace mebo::packaging
