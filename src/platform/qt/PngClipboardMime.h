#pragma once

#include <QImage>
#include <QMimeData>

namespace mebo::platform {

// Clipboard content holding PNG bytes under "image/png". It also offers the toolkit's image
// type, so applications that ask for other image formats (image/bmp, image/jpeg ...) get a
// conversion; the PNG is decoded only when such a request comes. Lives on the main thread.
class PngClipboardMime : public QMimeData {
    Q_OBJECT
public:
    explicit PngClipboardMime(const QByteArray& png);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    mutable QImage decoded_;
    mutable bool decodeTried_ = false;
};

} // namespace mebo::platform
