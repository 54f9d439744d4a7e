#include "main/CliSupport.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <cstdio>
#include <functional>

namespace mebo::cli {

void printOut(const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void printErr(const QString& text) {
    const QByteArray bytes = "mebo: " + text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

namespace {
// A decimal X11 id as people write it.
QString hexId(const QString& decimal) {
    return QStringLiteral("0x%1").arg(decimal.toULongLong(), 0, 16);
}
} // namespace

QString problemText(const QString& logLine) {
    static const QRegularExpression tag(QStringLiteral(R"(^\[[^\]]+\]\s*)"));
    QString text = logLine.trimmed();
    text.remove(tag);
    struct Rule {
        const char* pattern;
        std::function<QString(const QRegularExpressionMatch&)> say;
    };
    static const QList<Rule> rules{
        {R"(^找不到 window (\d+) 所在顯示器$)",
         [](const auto& m) {
             return QStringLiteral("window %1 is on no display").arg(hexId(m.captured(1)));
         }},
        {R"(^找不到 window (\d+)$)",
         [](const auto& m) { return QStringLiteral("no window %1").arg(hexId(m.captured(1))); }},
        {R"(^找不到 display (\d+)$)",
         [](const auto& m) { return QStringLiteral("no display %1").arg(m.captured(1)); }},
        {R"(^(captureFullDisplay|captureWindow|listShareableWindows) 失敗: (.*)$)",
         [](const auto& m) { return QStringLiteral("the screen could not be read: %1").arg(m.captured(2)); }},
        {R"(^ImageStore 寫盤失敗$)",
         [](const auto&) { return QStringLiteral("the capture could not be written"); }},
        {R"(^CGImageDestinationCreateWithURL 失敗: (.*)$)",
         [](const auto& m) { return QStringLiteral("cannot write %1").arg(m.captured(1)); }},
        {R"(^CGImageDestinationFinalize 失敗$)",
         [](const auto&) { return QStringLiteral("the capture could not be written"); }},
        {R"(^創建保存目錄失敗: (.*)$)",
         [](const auto& m) {
             return QStringLiteral("cannot create the save folder: %1").arg(m.captured(1));
         }},
        {R"(^索引持久化失敗: (.*)$)",
         [](const auto& m) {
             return QStringLiteral("the library index could not be written: %1").arg(m.captured(1));
         }},
        {R"(^缺少屏幕錄製權限)", [](const auto&) { return QStringLiteral("the screen cannot be read"); }},
    };
    for (const Rule& rule : rules) {
        const QRegularExpression re(QString::fromUtf8(rule.pattern));
        if (const QRegularExpressionMatch m = re.match(text); m.hasMatch()) {
            return rule.say(m);
        }
    }
    static const QRegularExpression foreign(
        QStringLiteral("[\\x{2e80}-\\x{9fff}\\x{f900}-\\x{faff}\\x{ff00}-\\x{ffef}]"));
    if (text.contains(foreign)) {
        return QStringLiteral("the command failed (run it with --verbose for the details)");
    }
    return text;
}

void printJson(const QJsonObject& obj) {
    printOut(QString::fromUtf8(QJsonDocument(obj).toJson(QJsonDocument::Compact)));
}

int usageError(const QString& message, const QString& command) {
    printErr(QStringLiteral("%1 (see 'mebo %2 --help')").arg(message, command));
    return Exit::usage;
}

std::optional<Options> parseOptions(const QStringList& args, const QList<OptionSpec>& specs, QString* error) {
    Options out;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            if (arg == QLatin1String("--")) {
                out.positional << args.mid(i + 1);
                break;
            }
            // "-5" and "-.5" are values (a negative number), not options.
            const bool negativeNumber =
                arg.size() > 1 && (arg.at(1).isDigit() || arg.at(1) == QLatin1Char('.'));
            if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1 && arg != QLatin1String("-h") &&
                !negativeNumber) {
                *error = QStringLiteral("unknown option '%1'").arg(arg);
                return std::nullopt;
            }
            if (arg == QLatin1String("-h")) {
                out.values.insert(QStringLiteral("help"), QString());
                continue;
            }
            out.positional << arg;
            continue;
        }
        QString name = arg.mid(2);
        std::optional<QString> inlineValue;
        if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
            inlineValue = name.mid(eq + 1);
            name = name.left(eq);
        }
        const auto option =
            std::find_if(specs.begin(), specs.end(), [&](const OptionSpec& s) { return s.name == name; });
        if (option == specs.end()) {
            *error = QStringLiteral("unknown option '--%1'").arg(name);
            return std::nullopt;
        }
        if (!option->takesValue) {
            if (inlineValue) {
                *error = QStringLiteral("option '--%1' takes no value").arg(name);
                return std::nullopt;
            }
            out.values.insert(name, QString());
            continue;
        }
        if (inlineValue) {
            out.values.insert(name, *inlineValue);
        } else if (i + 1 < args.size()) {
            out.values.insert(name, args[++i]);
        } else {
            *error = QStringLiteral("option '--%1' needs a value").arg(name);
            return std::nullopt;
        }
    }
    return out;
}

QJsonObject rectJson(const QRectF& rect) {
    return QJsonObject{{"x", rect.x()}, {"y", rect.y()}, {"width", rect.width()}, {"height", rect.height()}};
}

std::optional<QRect> parseGeometry(const QString& text) {
    static const QRegularExpression form(QStringLiteral(R"(^(\d+)x(\d+)\+(-?\d+)\+(-?\d+)$)"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    bool okW = false, okH = false, okX = false, okY = false;
    const int w = m.captured(1).toInt(&okW);
    const int h = m.captured(2).toInt(&okH);
    const int x = m.captured(3).toInt(&okX);
    const int y = m.captured(4).toInt(&okY);
    if (!okW || !okH || !okX || !okY || w <= 0 || h <= 0) {
        return std::nullopt;
    }
    return QRect(x, y, w, h);
}

std::optional<uint32_t> parseId(const QString& text) {
    bool ok = false;
    const QString t = text.trimmed();
    const qulonglong v = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                             ? t.mid(2).toULongLong(&ok, 16)
                             : t.toULongLong(&ok, 10);
    if (!ok || v > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return uint32_t(v);
}

} // namespace mebo::cli
