#include "packaging/ShellCompletion.h"

#include <QTextStream>

namespace mebo::packaging {

namespace {

const char* kHeader = " completion for mebo, generated from its --help by mebo-gen.\n";

// `text` inside single quotes for sh-like shells.
QString shQuote(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

QString fishQuote(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

QStringList allNames(const QList<HelpEntry>& options) {
    QStringList names;
    for (const HelpEntry& e : options) {
        names << e.names;
    }
    if (!names.contains(QStringLiteral("--help"))) {
        names << QStringLiteral("--help");
    }
    return names;
}

} // namespace

QString shortDescription(const QString& description, int maxChars) {
    QString text = description;
    for (const char* stop : {"; ", ": ", " (", ". "}) {
        const qsizetype at = text.indexOf(QLatin1String(stop));
        if (at > 0) {
            text.truncate(at);
        }
    }
    if (text.size() > maxChars) {
        const qsizetype space = text.lastIndexOf(QLatin1Char(' '), maxChars - 1);
        text = text.left(space > 0 ? space : maxChars) + QStringLiteral("...");
    }
    return text;
}

QString bashCompletion(const CliReference& ref) {
    QString text;
    QTextStream out(&text);
    QStringList commands;
    for (const CliCommand& c : ref.commands) {
        commands << c.name;
    }
    out << "# bash" << kHeader << "_mebo() {\n"
        << "    local cur=\"${COMP_WORDS[COMP_CWORD]}\" prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
        << "    local cmd=\"\" action=\"\" skip=0 i w\n"
        << "    local opts=" << shQuote(allNames(ref.globalOptions()).join(QLatin1Char(' '))) << "\n"
        << "    local valued=\"\" actions=\"\" files=0\n"
        // The command is the first word that is no option; its action the next.
        << "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        << "        w=\"${COMP_WORDS[i]}\"\n"
        << "        if ((skip)); then skip=0; continue; fi\n"
        << "        case \"$w\" in\n"
        << "            -*) [[ \" $valued \" == *\" $w \"* ]] && skip=1 ;;\n"
        << "            *) if [[ -z \"$cmd\" ]]; then cmd=\"$w\"; _mebo_command \"$cmd\";\n"
        << "               elif [[ -z \"$action\" ]]; then action=\"$w\"; fi ;;\n"
        << "        esac\n"
        << "    done\n"
        << "    case \"$cmd $prev\" in\n";
    for (const CliCommand& c : ref.commands) {
        for (const HelpEntry& o : c.page.options()) {
            QStringList patterns;
            for (const QString& n : o.names) {
                patterns << QLatin1Char('"') + c.name + QLatin1Char(' ') + n + QLatin1Char('"');
            }
            const QString pattern = patterns.join(QLatin1Char('|'));
            switch (valueKind(o.value)) {
            case ValueKind::none:
                break;
            case ValueKind::directory:
                out << "        " << pattern << ") compopt -o filenames 2>/dev/null; "
                    << "COMPREPLY=($(compgen -d -- \"$cur\")); return ;;\n";
                break;
            case ValueKind::file:
                out << "        " << pattern << ") compopt -o filenames 2>/dev/null; "
                    << "COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n";
                break;
            case ValueKind::choice:
                out << "        " << pattern << ") COMPREPLY=($(compgen -W "
                    << shQuote(valueChoices(o.value).join(QLatin1Char(' '))) << " -- \"$cur\")); return ;;\n";
                break;
            case ValueKind::text:
                out << "        " << pattern << ") COMPREPLY=(); return ;;\n";
                break;
            }
        }
    }
    out << "    esac\n"
        << "    if [[ \"$cur\" == -* ]]; then COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\")); return; fi\n"
        << "    if [[ -z \"$cmd\" ]]; then COMPREPLY=($(compgen -W "
        << shQuote(commands.join(QLatin1Char(' '))) << " -- \"$cur\")); return; fi\n"
        << "    if [[ -n \"$actions\" && -z \"$action\" ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"$actions\" -- \"$cur\")); return\n"
        << "    fi\n"
        << "    if ((files)); then compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- \"$cur\")); "
           "fi\n"
        << "}\n\n"
        // Sets the options, the options taking a value, the actions and whether files follow.
        << "_mebo_command() {\n"
        << "    case \"$1\" in\n";
    for (const CliCommand& c : ref.commands) {
        QStringList valued;
        for (const HelpEntry& o : c.page.options()) {
            if (!o.value.isEmpty()) {
                valued << o.names;
            }
        }
        out << "        " << c.name << ") opts=" << shQuote(allNames(c.page.options()).join(QLatin1Char(' ')))
            << " valued=" << shQuote(valued.join(QLatin1Char(' ')))
            << " actions=" << shQuote(c.actions.join(QLatin1Char(' ')))
            << " files=" << (c.takesFiles() ? 1 : 0) << " ;;\n";
    }
    out << "        *) opts=\"\" valued=\"\" actions=\"\" files=0 ;;\n"
        << "    esac\n"
        << "}\n\n"
        << "complete -F _mebo mebo\n";
    return text;
}

namespace {

QString zshEscape(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    out.replace(QLatin1Char('['), QStringLiteral("\\["));
    out.replace(QLatin1Char(']'), QStringLiteral("\\]"));
    out.replace(QLatin1Char(':'), QStringLiteral("\\:"));
    return out;
}

// One _arguments spec per option: "--save-dir[use the library in DIR]:DIR:_files -/".
QString zshOptionSpec(const HelpEntry& o) {
    QString action;
    switch (valueKind(o.value)) {
    case ValueKind::none:
        break;
    case ValueKind::directory:
        action = QStringLiteral(":") + zshEscape(o.value) + QStringLiteral(":_files -/");
        break;
    case ValueKind::file:
        action = QStringLiteral(":") + zshEscape(o.value) + QStringLiteral(":_files");
        break;
    case ValueKind::choice:
        action = QStringLiteral(":value:(") + valueChoices(o.value).join(QLatin1Char(' ')) + QLatin1Char(')');
        break;
    case ValueKind::text:
        action = QStringLiteral(":") + zshEscape(o.value) + QStringLiteral(": ");
        break;
    }
    const QString description =
        QLatin1Char('[') + zshEscape(shortDescription(o.description)) + QLatin1Char(']');
    if (o.names.size() == 1) {
        return QLatin1Char('\'') + o.names.first() + description + action + QLatin1Char('\'');
    }
    return QStringLiteral("'(%1)'{%2}'%3%4'")
        .arg(o.names.join(QLatin1Char(' ')), o.names.join(QLatin1Char(',')), description, action);
}

} // namespace

QString zshCompletion(const CliReference& ref) {
    QString text;
    QTextStream out(&text);
    out << "#compdef mebo\n# zsh" << kHeader << "\n"
        << "local -a commands\n"
        << "commands=(\n";
    for (const CliCommand& c : ref.commands) {
        out << "  '" << c.name << ':' << zshEscape(shortDescription(c.summary)) << "'\n";
    }
    out << ")\n"
        << "if (( CURRENT == 2 )); then\n"
        << "  if [[ $words[CURRENT] == -* ]]; then\n"
        << "    _arguments";
    for (const HelpEntry& o : ref.globalOptions()) {
        out << " \\\n      " << zshOptionSpec(o);
    }
    out << "\n  else\n"
        << "    _describe -t commands 'mebo command' commands\n"
        << "  fi\n"
        << "  return\n"
        << "fi\n"
        << "local cmd=$words[2]\n"
        << "shift words\n"
        << "(( CURRENT-- ))\n"
        << "case $cmd in\n";
    for (const CliCommand& c : ref.commands) {
        out << "  " << c.name << ")\n    _arguments -s";
        for (const HelpEntry& o : c.page.options()) {
            out << " \\\n      " << zshOptionSpec(o);
        }
        if (!c.actions.isEmpty()) {
            out << " \\\n      '1:action:(" << c.actions.join(QLatin1Char(' ')) << ")'";
        }
        if (c.takesFiles()) {
            out << " \\\n      '*:file:_files'";
        }
        out << "\n    ;;\n";
    }
    out << "esac\n";
    return text;
}

QString fishCompletion(const CliReference& ref) {
    QString text;
    QTextStream out(&text);
    out << "# fish" << kHeader << "complete -c mebo -f\n";
    auto writeOption = [&](const QString& condition, const HelpEntry& o) {
        out << "complete -c mebo -n " << fishQuote(condition);
        for (const QString& n : o.names) {
            out << (n.startsWith(QLatin1String("--")) ? " -l " + n.mid(2) : " -s " + n.mid(1));
        }
        switch (valueKind(o.value)) {
        case ValueKind::none:
            break;
        case ValueKind::directory:
            out << " -x -a '(__fish_complete_directories)'";
            break;
        case ValueKind::file:
            out << " -r -F";
            break;
        case ValueKind::choice:
            out << " -x -a " << fishQuote(valueChoices(o.value).join(QLatin1Char(' ')));
            break;
        case ValueKind::text:
            out << " -x";
            break;
        }
        out << " -d " << fishQuote(shortDescription(o.description)) << '\n';
    };
    for (const CliCommand& c : ref.commands) {
        out << "complete -c mebo -n __fish_use_subcommand -a " << c.name << " -d "
            << fishQuote(shortDescription(c.summary)) << '\n';
    }
    for (const HelpEntry& o : ref.globalOptions()) {
        writeOption(QStringLiteral("__fish_use_subcommand"), o);
    }
    for (const CliCommand& c : ref.commands) {
        const QString seen = QStringLiteral("__fish_seen_subcommand_from ") + c.name;
        if (!c.actions.isEmpty()) {
            const QString actions = c.actions.join(QLatin1Char(' '));
            out << "complete -c mebo -n "
                << fishQuote(seen + "; and not __fish_seen_subcommand_from " + actions) << " -a "
                << fishQuote(actions) << '\n';
        }
        if (c.takesFiles()) {
            out << "complete -c mebo -n " << fishQuote(seen) << " -F\n";
        }
        for (const HelpEntry& o : c.page.options()) {
            writeOption(seen, o);
        }
    }
    return text;
}

} // namespace mebo::packaging
