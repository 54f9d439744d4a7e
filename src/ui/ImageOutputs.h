#pragma once

#include <QImage>
#include <QString>
#include <functional>

class QWidget;

namespace mebo {

// Where an annotated picture goes besides the library: a file of the user's choice (PNG, JPEG or
// WebP, the format its name asks for), the printer, a pin on the screen. Dialogs are window-modal
// and answer through callbacks (no nested event loop). Main thread.
class ImageOutputs {
public:
    // The Save As dialog: it starts in `folder` (the last export folder) with the capture's own
    // name; `chosen` gets the path picked.
    static void askSavePath(QWidget* parent, const QString& baseName, const QString& folder,
                            std::function<void(const QString& path)> chosen);
    // The filters of the dialog and the one a file name belongs to.
    static QStringList fileFilters();
    static QString filterFor(const QString& path);

    // The print dialog, then the picture scaled to fit the page, centred.
    static void print(QWidget* parent, const QImage& picture, const QString& title);

    // Shows `picture` pinned above every window, near the pointer.
    static void pin(const QImage& picture, const QString& title);
};

} // namespace mebo
