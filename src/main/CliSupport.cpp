#include "main/CliSupport.h"

#include <QImageReader>
#include <QJsonDocument>
#include <QRegularExpression>
#include <cstdio>

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
            if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1 && arg != QLatin1String("-h")) {
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

std::optional<QImage> readImageForRecognition(const QString& path) {
    constexpr qint64 kMaxPixels = 50'000'000;
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels) {
        printErr(QStringLiteral("%1: image too large for text recognition (%2×%3; at most 50 megapixels)")
                     .arg(path)
                     .arg(size.width())
                     .arg(size.height()));
        return std::nullopt;
    }
    reader.setAllocationLimit(int(kMaxPixels * 4 / (1024 * 1024)) + 1);
    QImage image = reader.read();
    if (image.isNull() || image.width() == 0 || image.height() == 0) {
        printErr(QStringLiteral("%1: cannot read the image (%2)").arg(path, reader.errorString()));
        return std::nullopt;
    }
    return image;
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

std::optional<std::pair<platform::DisplayInfo, QRect>> toDesktopRect(const QList<platform::DisplayInfo>& displays, const QRect& rect) {
    std::optional<platform::DisplayInfo> best;
    qint64 bestArea = 0;
    for (const auto& d : displays) {
        const QRect overlap = d.nativeFrame.intersected(rect);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            best = d;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    // Points per native pixel; the frame's bottom-left origin flips y within the display.
    const double s = best->scale > 0 ? best->scale : 1.0;
    const QRect& n = best->nativeFrame;
    const int x = best->frame.x() + int((rect.x() - n.x()) / s);
    const int y = best->frame.y() + int((n.y() + n.height() - rect.y() - rect.height()) / s);
    return std::make_pair(*best, QRect(x, y, int(rect.width() / s), int(rect.height() / s)));
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
