#pragma once

#include "platform/Clipboard.h"

#include <memory>

namespace mebo {

class ClipboardKeeper;
class ClipboardSvc;

// The clipboard of a command that exits as soon as its work is done. An X11 selection lives in
// its owner, so an image written here is handed to a process that stays: the running desktop
// application when there is one (through its single-instance socket), otherwise a background
// ClipboardKeeper. Images only; main thread.
class HandOverClipboard : public platform::Clipboard {
public:
    // Looks for the desktop application now and, when none answers, starts the keeper at once so
    // its start-up overlaps the command's work. `instanceName`: the single-instance socket.
    explicit HandOverClipboard(const QString& instanceName);
    ~HandOverClipboard() override;

    void clear() override {}
    bool writePng(const QByteArray& png) override;
    bool writeImageObject(const QImage& image) override;
    FileWrite writeFile(const QString& path) override;
    bool writeText(const QString& text) override;
    bool ownsContent() const override { return handedOver_; }

    // The request the desktop application answers: the rest is the path of a PNG file it reads,
    // removes and puts on the clipboard, and the sender's display; its answer is kCopied, or the
    // reason it could not.
    static constexpr const char* kRequest = "@clipboard.png";
    static constexpr const char* kCopied = "copied";
    // The desktop application's side of that request.
    static QString answerRequest(const QStringList& request, ClipboardSvc& clipboard);

private:
    bool handToApplication(const QByteArray& png);

    QString instanceName_;
    bool applicationRunning_ = false;
    std::unique_ptr<ClipboardKeeper> keeper_;
    bool handedOver_ = false;
};

} // namespace mebo
