#include "packaging/CliReference.h"

#include <QRegularExpression>

namespace mebo::packaging {

ValueKind valueKind(const QString& value) {
    if (value.isEmpty()) {
        return ValueKind::none;
    }
    if (!valueChoices(value).isEmpty()) {
        return ValueKind::choice;
    }
    if (value.contains(QLatin1String("DIR"))) {
        return ValueKind::directory;
    }
    static const QRegularExpression file(QStringLiteral("FILE|IMAGE|PATH|\\.[a-z0-9]+$"));
    return file.match(value).hasMatch() ? ValueKind::file : ValueKind::text;
}

bool CliCommand::takesFiles() const {
    static const QRegularExpression word(QStringLiteral("[A-Za-z.|-]+"));
    for (const QString& usage : page.usage) {
        for (auto it = word.globalMatch(usage); it.hasNext();) {
            const QString w = it.next().captured();
            if (!w.startsWith(QLatin1Char('-')) && w != w.toLower() && valueKind(w) == ValueKind::file) {
                return true;
            }
        }
    }
    return false;
}

QList<HelpEntry> CliReference::globalOptions() const {
    QList<HelpEntry> out = desktop.options();
    for (const HelpEntry& e : main.options()) {
        const bool known =
            std::any_of(out.begin(), out.end(), [&](const HelpEntry& o) { return o.names == e.names; });
        if (!known) {
            out << e;
        }
    }
    HelpEntry help;
    help.names = {QStringLiteral("-h"), QStringLiteral("--help")};
    help.description = QStringLiteral("show the help (also after a command)");
    if (std::none_of(out.begin(), out.end(),
                     [](const HelpEntry& o) { return o.names.contains(QStringLiteral("--help")); })) {
        out << help;
    }
    return out;
}

std::optional<CliReference>
CliReference::read(const std::function<std::optional<QString>(const QStringList&)>& help, QString* error) {
    CliReference ref;
    const auto mainText = help({QStringLiteral("--help")});
    const auto desktopText = help({QStringLiteral("--background"), QStringLiteral("--help")});
    if (!mainText || !desktopText) {
        *error = QStringLiteral("the program printed no help");
        return std::nullopt;
    }
    ref.main = parseHelp(*mainText);
    ref.desktop = parseHelp(*desktopText);
    const HelpBlock* commands = ref.main.list(QStringLiteral("Commands"));
    if (!commands || commands->entries.isEmpty()) {
        *error = QStringLiteral("the main help lists no commands");
        return std::nullopt;
    }
    for (const HelpEntry& e : commands->entries) {
        CliCommand command;
        command.name = e.names.first();
        command.summary = e.description;
        command.actions = valueChoices(e.value);
        const auto text = help({command.name, QStringLiteral("--help")});
        if (!text) {
            *error = QStringLiteral("'mebo %1 --help' failed").arg(command.name);
            return std::nullopt;
        }
        command.page = parseHelp(*text);
        ref.commands << command;
    }
    return ref;
}

} // namespace mebo::packaging
