#pragma once

#include "video/VideoRegions.h"

#include <QPointF>
#include <QSizeF>
#include <QStringList>
#include <optional>

namespace mebo {

// Creating annotation regions at the playhead, with the defaults of each kind.
class VideoAnnotations {
public:
    // Which of a region's style fields its kind draws with. `fontSize` is the text's size for text
    // and callouts and the stroke's width for arrows, lines and shapes.
    struct StyleFields {
        bool text = false;
        bool fontSize = false;
        bool strokeWidth = false;
        bool lineStyle = false;  // lineStyleRaw: solid, dashed, dotted
        bool arrowHeads = false; // arrowHeadStyleRaw: none, start, end, both
        bool direction = false;  // lineDirectionRaw: the diagonal of the rectangle it follows
        bool operator==(const StyleFields&) const = default;
    };
    static StyleFields styleFields(AnnotationKind kind);
    // The raw values of lineDirectionRaw, in menu order ("downRight" when absent).
    static const QStringList& lineDirections();

    static constexpr double kDefaultLength = 5.0;
    static constexpr double kMinLength = 0.1;

    // The default size of a new region of `kind`, in fractions of the frame.
    static QSizeF defaultSize(AnnotationKind kind);
    // A region of `kind` with every default but its time and place (a fresh id, start = end = 0).
    static AnnotationRegion defaults(AnnotationKind kind);
    // The time span of a new region: from the playhead (within [0, duration - 0.1]) for 5 s or up
    // to the end; nothing when shorter than 0.1 s.
    static std::optional<TimeRange> spanAtPlayhead(double playhead, double duration);
    // A new region at the playhead centred on `point` (fractions, clamped to [0, 1]); its
    // rectangle stays inside the frame.
    static std::optional<AnnotationRegion> create(AnnotationKind kind, double playhead, double duration,
                                                  QPointF point);
};

} // namespace mebo
