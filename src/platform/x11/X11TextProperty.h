#pragma once

#include <QByteArray>
#include <QString>
#include <xcb/xcb.h>

namespace mebo::platform::x11 {

// Decodes the text of a window-name property: UTF8_STRING as UTF-8, STRING as Latin-1, and
// COMPOUND_TEXT as Latin-1 with its UTF-8 segments (ESC % G ... ESC % @) decoded; other
// character-set designations are skipped, their bytes read as Latin-1. Trailing NULs dropped.
class X11TextProperty {
public:
    struct Types {
        xcb_atom_t utf8String = XCB_ATOM_NONE;
        xcb_atom_t compoundText = XCB_ATOM_NONE;
    };

    static QString decode(xcb_atom_t type, const QByteArray& bytes, const Types& types);
    static QString decodeCompoundText(const QByteArray& bytes);
};

} // namespace mebo::platform::x11
