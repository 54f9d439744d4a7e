#pragma once

#include "packaging/CliHelp.h"

#include <functional>
#include <optional>

namespace mebo::packaging {

// One command of the command line, as the main help lists it and its own --help describes it.
struct CliCommand {
    QString name;        // "capture"
    QString summary;     // the main help's line: "take a still capture into the library"
    QStringList actions; // "fullscreen", "window", "area"; empty when the command takes operands
    HelpPage page;       // `mebo capture --help`

    // Whether operands after the action name files ("IMAGE", "FILE.mebo", "OUT.png").
    bool takesFiles() const;
};

// Everything the command line documents about itself: the main help, the desktop application's
// help and each command's. The manual page and the shell completions are written from this, so
// they say what the program says.
struct CliReference {
    HelpPage main;    // `mebo --help`
    HelpPage desktop; // `mebo --background --help`: the desktop application's own options
    QList<CliCommand> commands;

    // Options that apply without a command: the desktop application's and the main help's.
    QList<HelpEntry> globalOptions() const;

    // Reads the pages through `help`, which answers the standard output of `mebo ARGS` (or
    // nothing when the program failed). Nothing, with `error` set, when a page is missing.
    static std::optional<CliReference>
    read(const std::function<std::optional<QString>(const QStringList&)>& help, QString* error);
};

// A value placeholder's kind, for completion: a folder ("DIR"), a file ("IMAGE", "FILE.mebo",
// "OUT.png"), fixed words ("pixelate|gaussian|solid") or free text ("ID", "KEY").
enum class ValueKind { none, directory, file, choice, text };
ValueKind valueKind(const QString& value);

} // namespace mebo::packaging
