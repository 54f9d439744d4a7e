#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace mebo {

// Editor tools, in their stored order; the raw value is the case name.
enum class ToolKind : uint8_t {
    arrow,
    rect,
    ellipse,
    text,
    mosaic,
    blur,
    crop,
    line,
    pen,
    highlighter,
    callout,
    step,
    stamp,
    selection,
    fill,
    eraser,
    cutout,
    magnify,
    simplify,
    spotlight,
    polygon,
    chapter,
};

const QList<ToolKind>& allToolKinds();
QString toolKindRawValue(ToolKind tool);
std::optional<ToolKind> toolKindFromRawValue(const QString& raw);
// Short name for tool tips and menus.
QString toolKindDisplayName(ToolKind tool);
// The factory shortcut letter ("A" for arrow), or nothing for tools without one.
std::optional<QString> toolKindDefaultShortcut(ToolKind tool);

} // namespace mebo
