#pragma once

#include "document/JsonDecodeError.h"
#include "document/LayerCodec.h"
#include "document/MeboDocument.h"
#include "document/MeboDocumentError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mebo::fuzz {

// One fuzz input. A first line "document" or a layer type string ("arrow\n{...}") names what the
// rest is, so the seed corpus stays readable; without one, the first byte picks (the last choice
// is the project file) and the rest is the input.
//
// Decoding may refuse anything, but whatever it accepts must write back and read again to the
// same bytes. Answers what broke that rule, or an empty string.
inline std::string runDocumentFuzzInput(const uint8_t* data, size_t size) {
    static const QStringList types = LayerCodec::knownTypes();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString target;
    QByteArray body;
    const qsizetype newline = bytes.indexOf('\n');
    if (newline > 0 && newline <= 16) {
        const QString header = QString::fromLatin1(bytes.left(newline));
        if (header == QLatin1String("document") || types.contains(header)) {
            target = header;
            body = bytes.mid(newline + 1);
        }
    }
    if (target.isEmpty()) {
        if (bytes.isEmpty()) {
            return {};
        }
        const int choice = uint8_t(bytes[0]) % (types.size() + 1);
        target = choice == types.size() ? QStringLiteral("document") : types[choice];
        body = bytes.mid(1);
    }

    if (target != QLatin1String("document")) {
        LayerPtr layer;
        try {
            layer = LayerCodec::decode(target, body);
        } catch (const JsonDecodeError&) {
            return {};
        }
        if (!layer) {
            return {};
        }
        if (layer->isLocked) {
            return "a decoded layer is locked";
        }
        // Some accepted values cannot be written (a colour component beyond half-float range
        // becomes infinite); the codec logs those and drops the layer.
        const auto first = LayerCodec::encode(layer);
        if (!first) {
            return {};
        }
        LayerPtr again;
        try {
            again = LayerCodec::decode(*first);
        } catch (const JsonDecodeError& e) {
            return "written payload does not read back: " + e.description().toStdString();
        }
        if (!again) {
            return "written payload was dropped on reading";
        }
        const auto second = LayerCodec::encode(again);
        if (!second || second->type != first->type || second->data != first->data) {
            return "payload changed on its second round trip: " + first->data.left(300).toStdString();
        }
        return {};
    }

    ProjectContent content;
    MeboDocument doc;
    try {
        doc = MeboDocument::fromJson(body);
        content = doc.content();
    } catch (const MeboDocumentError&) {
        return {};
    } catch (const JsonDecodeError&) {
        return {};
    }
    const MeboDocument rebuilt = MeboDocument::fromContent(doc.baseImagePNG, content.canvasRect,
                                                           content.saveTargetPath, content.layers);
    const QByteArray json = rebuilt.toJson();
    try {
        const MeboDocument back = MeboDocument::fromJson(json);
        if (back.layers != rebuilt.layers || back.toJson() != json) {
            return "project changed on reading it back";
        }
        if (back.content().layers.size() != rebuilt.layers.size()) {
            return "a written layer did not load";
        }
    } catch (const std::exception& e) {
        return std::string("written project does not read back: ") + e.what();
    }
    return {};
}

} // namespace mebo::fuzz
