#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <atomic>
#include <optional>

namespace mebo::platform {

// One recognised line. Boxes are in the image's unit square with the origin at the bottom-left.
struct RecognizedTextLine {
    QString text;
    QRectF box;
    QList<QRectF> characterBoxes; // one per UTF-16 code unit of `text`; spaces get the gap between words
    double confidence = 1;        // how sure the recogniser is of the line, 0 to 1

    // The box of the characters [start, start + length): the union of their boxes; nothing for an
    // empty or out-of-range span.
    std::optional<QRectF> boxForRange(int start, int length) const {
        if (start < 0 || length <= 0 || start + length > characterBoxes.size()) {
            return std::nullopt;
        }
        QRectF united;
        for (int i = start; i < start + length; ++i) {
            united = united.isNull() ? characterBoxes[i] : united.united(characterBoxes[i]);
        }
        return united;
    }
};

// The text-recognition service. Blocking: callers run it off the main thread, one call per thread
// at a time. A failure answers nothing with the reason in `error`. Once `stop` (when given) is set
// the call gives up and answers nothing, so a reader going away does not wait for the rest of a page.
class TextRecognizer {
public:
    virtual ~TextRecognizer() = default;
    virtual std::optional<QList<RecognizedTextLine>> recognize(const QImage& image, QString* error,
                                                               const std::atomic_bool* stop = nullptr) = 0;
};

} // namespace mebo::platform
