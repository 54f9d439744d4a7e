#include "main/Commands.h"

#include "capture/PngWriter.h"
#include "document/DocumentFileError.h"
#include "document/DocumentFlattener.h"
#include "document/JsonDecodeError.h"
#include "document/JsonEncodeError.h"
#include "document/LayerCodec.h"
#include "document/MeboDocument.h"
#include "document/MeboDocumentError.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace mebo {

namespace {

const char* kDocHelp = R"(Usage: mebo doc info FILE.mebo [--json]
       mebo doc render FILE.mebo OUT.png
       mebo doc resave FILE.mebo OUT.mebo
       mebo doc check FILE.mebo

Reads an image project (.mebo): the base image, the canvas (crop) rectangle, the annotation
layers and the path of the exported copy.

Actions:
  info     print the versions, the canvas, the save target and every layer: its type, class,
           bounds and its payload as it is written back (so the load rules are visible)
  render   write the annotated image, cropped to the canvas, as PNG
  resave   load the project and write it again, as the editor would save it
  check    exit 0 when the project loads, else print why and exit 1

Options:
  --json      info: print one JSON object
  --verbose   write the execution log to standard error
  --help      show this help
)";

// One error line for every way a project can fail to load.
struct Loaded {
    MeboDocument document;
    ProjectContent content;
    QList<int> recordIndex; // index into document.layers of each loaded layer
};

std::optional<Loaded> load(const QString& path, QString* error) {
    try {
        Loaded out;
        out.document = MeboDocument::readFile(path);
        out.content.baseImage = out.document.decodeBaseImage();
        out.content.canvasRect = out.document.canvasRect;
        out.content.saveTargetPath = out.document.saveTargetPath;
        const QStringList known = LayerCodec::knownTypes();
        for (int i = 0; i < out.document.layers.size(); ++i) {
            const AnyCodableLayer& record = out.document.layers[i];
            LayerPtr layer;
            try {
                layer = LayerCodec::decode(record);
            } catch (const JsonDecodeError& e) {
                *error = QStringLiteral("layer %1 (\"%2\"): %3").arg(i).arg(record.type, e.description());
                return std::nullopt;
            }
            if (layer) {
                out.content.layers.append(layer);
                out.recordIndex.append(i);
            } else if (!known.contains(record.type)) {
                out.content.skippedTypes.append(record.type);
            } else {
                ++out.content.droppedRegionFills;
            }
        }
        return out;
    } catch (const MeboDocumentError& e) {
        *error = e.description();
    } catch (const DocumentFileError& e) {
        *error = e.description();
    }
    return std::nullopt;
}

QJsonValue rectJson(const QRectF& r) {
    for (double v : {r.x(), r.y(), r.width(), r.height()}) {
        if (!std::isfinite(v)) {
            return QJsonValue::Null;
        }
    }
    return QJsonArray{QJsonArray{r.x(), r.y()}, QJsonArray{r.width(), r.height()}};
}

QString rectText(const QRectF& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// Long strings (Base64 images) shortened for reading on a terminal.
QJsonValue abbreviated(const QJsonValue& value) {
    if (value.isString() && value.toString().size() > 120) {
        const QString s = value.toString();
        return s.left(60) + QStringLiteral("…(%1 characters)").arg(s.size());
    }
    if (value.isObject()) {
        QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            *it = abbreviated(*it);
        }
        return o;
    }
    return value;
}

int info(const QString& path, const Loaded& loaded, bool json) {
    const MeboDocument& doc = loaded.document;
    const ProjectContent& content = loaded.content;
    QJsonArray layers;
    for (int i = 0; i < content.layers.size(); ++i) {
        const LayerPtr& layer = content.layers[i];
        const auto record = LayerCodec::encode(layer);
        QJsonObject entry{{"index", loaded.recordIndex[i]},
                          {"type", doc.layers[loaded.recordIndex[i]].type},
                          {"class", QString::fromLatin1(layer->className())},
                          {"bounds", rectJson(layer->bounds())},
                          {"writtenAs", record ? QJsonValue(record->type) : QJsonValue::Null},
                          {"payload", record ? QJsonValue(QJsonDocument::fromJson(record->data).object())
                                             : QJsonValue::Null}};
        layers.append(entry);
    }
    QJsonArray skipped;
    for (const QString& type : content.skippedTypes) {
        skipped.append(type);
    }
    if (json) {
        cli::printJson(QJsonObject{
            {"file", QFileInfo(path).absoluteFilePath()},
            {"schemaVersion", doc.schemaVersion},
            {"version", doc.version},
            {"baseImage", QJsonObject{{"width", content.baseImage.width()},
                                      {"height", content.baseImage.height()},
                                      {"pngBytes", doc.baseImagePNG.size()}}},
            {"canvasRect", rectJson(doc.canvasRect)},
            {"saveTargetPath", doc.saveTargetPath ? QJsonValue(*doc.saveTargetPath) : QJsonValue::Null},
            {"layers", layers},
            {"skippedTypes", skipped},
            {"droppedRegionFills", content.droppedRegionFills},
        });
        return cli::Exit::ok;
    }
    cli::printOut(QStringLiteral("file:          %1").arg(QFileInfo(path).absoluteFilePath()));
    cli::printOut(QStringLiteral("version:       %1 (schema %2)").arg(doc.version).arg(doc.schemaVersion));
    cli::printOut(QStringLiteral("base image:    %1x%2 (%3 bytes of PNG)")
                      .arg(content.baseImage.width())
                      .arg(content.baseImage.height())
                      .arg(doc.baseImagePNG.size()));
    cli::printOut(QStringLiteral("canvas:        %1").arg(rectText(doc.canvasRect)));
    cli::printOut(
        QStringLiteral("save target:   %1").arg(doc.saveTargetPath.value_or(QStringLiteral("(none)"))));
    cli::printOut(
        QStringLiteral("layers:        %1 loaded of %2 records").arg(layers.size()).arg(doc.layers.size()));
    for (qsizetype i = 0; i < layers.size(); ++i) {
        const QJsonObject o = layers.at(i).toObject();
        const QString type = o.value("type").toString();
        const QString written = o.value("writtenAs").toString();
        const QString note = written.isEmpty() ? QStringLiteral("  (cannot be written back)")
                             : written != type ? QStringLiteral("  (written as \"%1\")").arg(written)
                                               : QString();
        cli::printOut(
            QStringLiteral("  [%1] %2  %3  bounds %4%5")
                .arg(o.value("index").toInt())
                .arg(type, o.value("class").toString(), rectText(content.layers.at(i)->bounds()), note));
        if (!o.value("payload").isNull()) {
            const QJsonObject shown = abbreviated(o.value("payload")).toObject();
            cli::printOut(QStringLiteral("      ") +
                          QString::fromUtf8(QJsonDocument(shown).toJson(QJsonDocument::Compact)));
        }
    }
    for (const QString& type : content.skippedTypes) {
        cli::printOut(QStringLiteral("  skipped: unknown layer type \"%1\"").arg(type));
    }
    if (content.droppedRegionFills > 0) {
        cli::printOut(QStringLiteral("  dropped: %1 region fill(s) whose mask is not a PNG")
                          .arg(content.droppedRegionFills));
    }
    return cli::Exit::ok;
}

int render(const Loaded& loaded, const QString& out) {
    const QImage image = DocumentFlattener::flatten(loaded.content.baseImage, loaded.content.layers,
                                                    loaded.content.canvasRect);
    if (image.isNull()) {
        cli::printErr(QStringLiteral("the canvas rectangle %1 leaves nothing of the %2x%3 image")
                          .arg(rectText(loaded.content.canvasRect))
                          .arg(loaded.content.baseImage.width())
                          .arg(loaded.content.baseImage.height()));
        return cli::Exit::failure;
    }
    QString error;
    if (!PngWriter::writeFile(image, out, &error)) {
        cli::printErr(error);
        return cli::Exit::failure;
    }
    cli::printOut(QFileInfo(out).absoluteFilePath());
    return cli::Exit::ok;
}

int resave(const Loaded& loaded, const QString& out) {
    // The base PNG is kept as it is: the editor writes the bytes it loaded until the base changes.
    const MeboDocument doc =
        MeboDocument::fromContent(loaded.document.baseImagePNG, loaded.content.canvasRect,
                                  loaded.content.saveTargetPath, loaded.content.layers);
    try {
        doc.writeFile(out);
    } catch (const DocumentFileError& e) {
        cli::printErr(e.description());
        return cli::Exit::failure;
    } catch (const JsonEncodeError& e) {
        cli::printErr(e.description());
        return cli::Exit::failure;
    }
    cli::printOut(QFileInfo(out).absoluteFilePath());
    return cli::Exit::ok;
}

} // namespace

int runDocCommand(int& argc, char** argv, const QStringList& args) {
    QString error;
    const auto opts = cli::parseOptions(args, {{"json", false}, {"verbose", false}, {"help", false}}, &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("doc"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kDocHelp).trimmed());
        return cli::Exit::ok;
    }
    const QString action = opts->positional.value(0);
    const QHash<QString, int> arity{{"info", 1}, {"render", 2}, {"resave", 2}, {"check", 1}};
    if (!arity.contains(action)) {
        return cli::usageError(action.isEmpty()
                                   ? QStringLiteral("which action? info, render, resave or check")
                                   : QStringLiteral("unknown doc action '%1'").arg(action),
                               QStringLiteral("doc"));
    }
    if (opts->positional.size() != 1 + arity.value(action)) {
        return cli::usageError(arity.value(action) == 1
                                   ? QStringLiteral("%1 takes one project file").arg(action)
                                   : QStringLiteral("%1 takes a project file and an output file").arg(action),
                               QStringLiteral("doc"));
    }
    if (opts->has("json") && action != QLatin1String("info")) {
        return cli::usageError(QStringLiteral("--json applies to info"), QStringLiteral("doc"));
    }

    runtime::setVerbose(opts->has("verbose"));
    // Layers measure text and paint without a display.
    runtime::useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    runtime::nameApplication();

    const QString path = opts->positional.at(1);
    const auto loaded = load(path, &error);
    if (!loaded) {
        cli::printErr(QStringLiteral("%1: %2").arg(path, error));
        return cli::Exit::failure;
    }
    if (action == QLatin1String("info")) {
        return info(path, *loaded, opts->has("json"));
    }
    if (action == QLatin1String("render")) {
        return render(*loaded, opts->positional.at(2));
    }
    if (action == QLatin1String("resave")) {
        return resave(*loaded, opts->positional.at(2));
    }
    cli::printOut(QStringLiteral("%1: loads (%2 layers, %3 skipped, base image %4x%5)")
                      .arg(path)
                      .arg(loaded->content.layers.size())
                      .arg(loaded->content.skippedTypes.size() + loaded->content.droppedRegionFills)
                      .arg(loaded->content.baseImage.width())
                      .arg(loaded->content.baseImage.height()));
    return cli::Exit::ok;
}

} // namespace mebo
