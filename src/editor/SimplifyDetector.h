#pragma once

#include "document/LayerEnums.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace mebo {

namespace platform {
class TextRecognizer;
struct RecognizedTextLine;
} // namespace platform

// One interface object Simplify proposes to cover with a plain shape.
struct SimplifyProposal {
    enum class Kind { button, textField, icon, text, image };

    Kind kind = Kind::text;
    QRect rect;            // base-image pixels
    double confidence = 0; // 0 to 1
    QColor fill;           // the plain colour that stands for the object
    MosaicShape shape = MosaicShape::rect;
    std::optional<double> cornerRadius;

    // "Button", "Text Field", "Icon", "Text", "Image".
    static QString label(Kind kind);
};

// Finds the busy parts of a screenshot, to reduce it to its layout: lines of text (from the
// recogniser's line boxes), the controls around short texts (a filled box is a button, a framed
// light one a text field), and icons and images (regions dense in edges once the text is taken
// out). Panels, frames and separators are left alone: they are the layout. No proposal covers
// more than 40 % of the picture. Thread-safe; the recogniser is used off the main thread.
class SimplifyDetector {
public:
    explicit SimplifyDetector(std::shared_ptr<platform::TextRecognizer> recognizer);

    // Recognises and analyses off the main thread; `done` runs once, on the main thread, with the
    // proposals, or nothing when the image could not be scanned.
    void detect(const QImage& image, std::function<void(std::optional<QList<SimplifyProposal>>)> done) const;
    // The same, blocking.
    std::optional<QList<SimplifyProposal>> detectNow(const QImage& image) const;

    // The analysis on recognised lines (boxes in the unit square, origin bottom-left), in reading
    // order: text first, then icons and images.
    static QList<SimplifyProposal> propose(const QImage& image, const QList<platform::RecognizedTextLine>& lines);

    // "Detected %d objects." (with "Detection may be weak. Review before applying." when it is
    // weak), "No UI objects were found." or "Simplify Auto could not scan this image.".
    static QString reviewText(const std::optional<QList<SimplifyProposal>>& found);
    // Few objects, or little confidence on average.
    static bool isWeak(const QList<SimplifyProposal>& found);

private:
    std::shared_ptr<platform::TextRecognizer> recognizer_;
};

} // namespace mebo
