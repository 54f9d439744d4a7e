#pragma once

#include "document/StampCategory.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace mebo {

// The built-in stamp symbols and the bundled SVG icon behind each of them.
class StampPalette {
public:
    // "Common", "Arrows", "Emphasis", "Status" and "Chat", in that order.
    static const QList<StampCategory>& categories();
    // The preset with this symbol name, or nullptr.
    static const StampPreset* find(const QString& symbol);
    // The bundled icon file of a palette symbol; empty for an unknown symbol or a missing file.
    static QString svgPath(const QString& symbol);
    // Where the icons are looked for: the installed share/mebo/stamps beside the binary, the
    // "mebo/stamps" folders of the XDG data dirs, then the source tree's data folder.
    static QStringList searchDirs();
};

} // namespace mebo
