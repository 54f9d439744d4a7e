#pragma once

#include "platform/Display.h"

#include <QJsonObject>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace mebo::cli {

// Exit statuses of the command line.
enum Exit : int { ok = 0, failure = 1, usage = 2 };

void printOut(const QString& text); // stdout, with a trailing newline
void printErr(const QString& text); // stderr, one line, prefixed "mebo: "
void printJson(const QJsonObject& obj);
// An execution-log line as one English sentence for the command line: the component tag goes,
// and the lines of the capture path that are not in English are said in English ("no window
// 0x123"); any other such line becomes a general sentence pointing at --verbose.
QString problemText(const QString& logLine);

// A usage error: one line on stderr naming the help to read; answers Exit::usage.
int usageError(const QString& message, const QString& command);

// Parsed options of one subcommand. Options taking a value accept "--opt VALUE" and "--opt=VALUE".
struct Options {
    QStringList positional;
    QMap<QString, QString> values; // option name (without dashes) -> value ("" for flags)
    bool has(const QString& name) const { return values.contains(name); }
    QString value(const QString& name) const { return values.value(name); }
};

struct OptionSpec {
    QString name;
    bool takesValue = false;
};

// Answers the options, or an error message for an unknown option or a missing value.
std::optional<Options> parseOptions(const QStringList& args, const QList<OptionSpec>& specs, QString* error);

// {"x", "y", "width", "height"}.
QJsonObject rectJson(const QRectF& rect);

// "WxH+X+Y" in X11 root pixels (top-left origin), the form scrot and maim take.
std::optional<QRect> parseGeometry(const QString& text);
// A window or display id: decimal or 0x-prefixed hexadecimal.
std::optional<uint32_t> parseId(const QString& text);

} // namespace mebo::cli
