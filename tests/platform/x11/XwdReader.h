#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace mebo::test::x11 {

// Decodes what `xwd -silent` writes: a big-endian header, the window name, the colour table,
// then a ZPixmap of a TrueColor visual with 16 or 32 bits per pixel. Answers an RGB32 image
// (channels scaled to 0..255 by rounding), or a null image with `error` set.
class XwdReader {
public:
    static QImage decode(const QByteArray& data, QString* error);
};

} // namespace mebo::test::x11
