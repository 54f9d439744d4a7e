#include "platform/x11/X11TextProperty.h"

namespace mebo::platform::x11 {

namespace {

QByteArray withoutTrailingNuls(QByteArray b) {
    while (!b.isEmpty() && b.back() == '\0') {
        b.chop(1);
    }
    return b;
}

} // namespace

QString X11TextProperty::decode(xcb_atom_t type, const QByteArray& bytes, const Types& types) {
    const QByteArray b = withoutTrailingNuls(bytes);
    if (type == types.utf8String && type != XCB_ATOM_NONE) {
        return QString::fromUtf8(b);
    }
    if (type == types.compoundText && type != XCB_ATOM_NONE) {
        return decodeCompoundText(b);
    }
    return QString::fromLatin1(b);
}

QString X11TextProperty::decodeCompoundText(const QByteArray& bytes) {
    QString out;
    QByteArray utf8;
    bool inUtf8 = false;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const char ch = bytes[i];
        if (ch != '\x1b') {
            if (inUtf8) {
                utf8.append(ch);
            } else {
                out.append(QChar(uchar(ch)));
            }
            ++i;
            continue;
        }
        // ESC, intermediate bytes 0x20..0x2f, one final byte 0x30..0x7e.
        qsizetype j = i + 1;
        while (j < n && uchar(bytes[j]) >= 0x20 && uchar(bytes[j]) <= 0x2f) {
            ++j;
        }
        const QByteArray seq = bytes.mid(i + 1, j - i); // intermediates + final
        i = j < n ? j + 1 : n;
        if (seq == "%G") {
            inUtf8 = true;
        } else if (inUtf8 && seq == "%@") {
            out += QString::fromUtf8(utf8);
            utf8.clear();
            inUtf8 = false;
        }
    }
    if (inUtf8) {
        out += QString::fromUtf8(utf8);
    }
    return out;
}

} // namespace mebo::platform::x11
