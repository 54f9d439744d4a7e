#include "document/ToolKind.h"

#include <array>

namespace mebo {

namespace {

struct ToolInfo {
    ToolKind tool;
    const char* raw;
    const char* displayName;
    const char* shortcut; // nullptr: none
};

constexpr std::array<ToolInfo, 22> kTools{{
    {ToolKind::arrow, "arrow", "Arrow", "A"},
    {ToolKind::rect, "rect", "Rect", "R"},
    {ToolKind::ellipse, "ellipse", "Ellipse", "O"},
    {ToolKind::text, "text", "Text", "T"},
    {ToolKind::mosaic, "mosaic", "Mosaic", "M"},
    {ToolKind::blur, "blur", "Blur", nullptr},
    {ToolKind::crop, "crop", "Crop", nullptr},
    {ToolKind::line, "line", "Line", "L"},
    {ToolKind::pen, "pen", "Pen", "P"},
    {ToolKind::highlighter, "highlighter", "Highlighter", "H"},
    {ToolKind::callout, "callout", "Callout", "K"},
    {ToolKind::step, "step", "Step", "N"},
    {ToolKind::stamp, "stamp", "Stamp", "I"},
    {ToolKind::selection, "selection", "Select", "V"},
    {ToolKind::fill, "fill", "Fill", "F"},
    {ToolKind::eraser, "eraser", "Eraser", "E"},
    {ToolKind::cutout, "cutout", "Cut Out", nullptr},
    {ToolKind::magnify, "magnify", "Magnify", "G"},
    {ToolKind::simplify, "simplify", "Simplify", nullptr},
    {ToolKind::spotlight, "spotlight", "Spotlight", nullptr},
    {ToolKind::polygon, "polygon", "Polygon", nullptr},
    {ToolKind::chapter, "chapter", "Chapter", nullptr},
}};

const ToolInfo& info(ToolKind tool) {
    return kTools[static_cast<size_t>(tool)];
}

} // namespace

const QList<ToolKind>& allToolKinds() {
    static const QList<ToolKind> all = [] {
        QList<ToolKind> list;
        for (const auto& t : kTools) {
            list << t.tool;
        }
        return list;
    }();
    return all;
}

QString toolKindRawValue(ToolKind tool) {
    return QString::fromLatin1(info(tool).raw);
}

std::optional<ToolKind> toolKindFromRawValue(const QString& raw) {
    for (const auto& t : kTools) {
        if (raw == QLatin1String(t.raw)) {
            return t.tool;
        }
    }
    return std::nullopt;
}

QString toolKindDisplayName(ToolKind tool) {
    return QString::fromLatin1(info(tool).displayName);
}

std::optional<QString> toolKindDefaultShortcut(ToolKind tool) {
    const char* key = info(tool).shortcut;
    if (!key) {
        return std::nullopt;
    }
    return QString::fromLatin1(key);
}

} // namespace mebo
