#pragma once

#include "platform/Clipboard.h"

#include <QObject>
#include <QPointer>

class QMimeData;

namespace mebo::platform {

// The system clipboard through QClipboard. On X11 the content lives in this process: it is gone
// when the process exits, unless a clipboard manager took a copy. Main thread only.
class QtClipboard : public QObject, public Clipboard {
    Q_OBJECT
public:
    explicit QtClipboard(QObject* parent = nullptr);

    void clear() override;
    bool writePng(const QByteArray& png) override;
    bool writeImageObject(const QImage& image) override;
    FileWrite writeFile(const QString& path) override;
    bool writeText(const QString& text) override;
    bool ownsContent() const override;
    // The PNG of an image this object wrote and still owns; empty otherwise (text, files, or
    // another program's content).
    QByteArray heldPng() const;

Q_SIGNALS:
    // Content this object wrote was replaced by someone else (another program took the
    // clipboard). Emitted once per write; not for this object's own writes or clear().
    void ownershipLost();

private:
    // Hands `mime` to the clipboard (which takes ownership); answers whether it now holds it.
    bool put(QMimeData* mime);
    void onClipboardChanged();

    QPointer<QMimeData> written_; // deleted by the clipboard when replaced
    bool watching_ = false;       // a write is held; loss not yet reported
    bool writing_ = false;        // change notifications caused by our own write are ignored
};

} // namespace mebo::platform
