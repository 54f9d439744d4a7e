#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace mebo::packaging {

// One item of an indented list in a help text: "  --save-dir DIR   use the library in DIR",
// "  -o, --output OUT.png  where to write", "  capture fullscreen|window|area   take a capture".
struct HelpEntry {
    QStringList names;   // "--save-dir"; "-o", "--output"; "capture"
    QString value;       // what follows the last name: "DIR", "OUT.png", "fullscreen|window|area"
    QString description; // the wrapped description joined into one line

    bool isOption() const { return !names.isEmpty() && names.first().startsWith(QLatin1Char('-')); }
};

// A part of a help text between blank lines.
struct HelpBlock {
    enum class Kind {
        paragraph, // running text
        list,      // a heading (may be empty) and entries
        verbatim,  // indented lines kept as they are (tables that are not term/description lists)
    };
    Kind kind = Kind::paragraph;
    QString text; // paragraph: the text; list and verbatim: the heading line, colon kept
    QList<HelpEntry> entries;
    QStringList lines; // verbatim: the lines without their common indentation
};

// A command's --help, parsed: the usage lines ("mebo capture fullscreen|window|area [options]",
// "Usage: " removed, one per line) and the blocks after them.
struct HelpPage {
    QStringList usage;
    QList<HelpBlock> blocks;

    // Every option of the page: the lists' entries, then options only the usage lines name
    // ("[--background]"), each once.
    QList<HelpEntry> options() const;
    // The first list block whose heading starts with `heading` ("Commands"), or null.
    const HelpBlock* list(const QString& heading) const;
    // Each token of the usage lines and lists that starts with a dash, e.g. "--json", "-o".
    QStringList optionNames() const;
};

// Parses the house format of the command line's help: "Usage:" lines, then blocks separated by
// blank lines; indented blocks are lists whose terms end at the first run of two spaces.
HelpPage parseHelp(const QString& text);

// The term of a list line ("-o, --output OUT.png") as an entry without description.
HelpEntry parseTerm(const QString& term);

// The alternatives of a value such as "pixelate|gaussian|solid" when all are lower-case words;
// empty for a placeholder ("DIR", "OUT.png", "STYLE").
QStringList valueChoices(const QString& value);

} // namespace mebo::packaging
