#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace mebo::platform {

// The system clipboard. Main thread only. Each write replaces the whole content.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    struct FileWrite {
        bool url = false;      // text/uri-list
        bool fileList = false; // the file managers' copied-files list
        bool text = false;     // the path as plain text
    };

    virtual void clear() = 0;
    // PNG bytes under "image/png"; true when the clipboard now holds them.
    virtual bool writePng(const QByteArray& png) = 0;
    // The toolkit's own image object, a fallback when the PNG write failed.
    virtual bool writeImageObject(const QImage& image) = 0;
    virtual FileWrite writeFile(const QString& path) = 0;
    // Plain text (UTF-8 "text/plain"); true when the clipboard now holds it.
    virtual bool writeText(const QString& text) = 0;
    // Whether this process still owns the content (X11 selections die with their owner).
    virtual bool ownsContent() const = 0;
};

} // namespace mebo::platform
