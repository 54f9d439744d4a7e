#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

namespace mebo {

namespace platform {
class Clipboard;
}

// What the OCR result window shows and does, without its widgets: the text, the status line with
// its short-lived messages, which buttons are there, and the button actions. The window binds a
// text view to `text()`, applies `textReplaced` through the view's own undo stack (so one undo
// restores the text before Join Lines) and reports the user's edits through `setText`. One model
// for the life of the process; main thread.
class OcrResultWindowModel : public QObject {
    Q_OBJECT
public:
    static constexpr int kStatusFlashSec = 2;

    explicit OcrResultWindowModel(platform::Clipboard* clipboard, QObject* parent = nullptr);

    // Fills the window and installs the callbacks ("Select Region..." and "Overlay"); an empty
    // callback hides its button. Emits `shown` for the window to come to the front.
    void show(const QString& text, std::function<void()> rerunHandler,
              std::function<void(const QString&)> overlayHandler);

    const QString& text() const { return text_; }
    void setText(const QString& text); // the user's edits
    // The counts ("%d characters, %d lines", "No text recognized in image"), or a message for
    // kStatusFlashSec seconds after an action.
    QString status() const;
    bool canSelectRegion() const { return bool(rerun_); }
    bool canOverlay() const { return bool(overlay_); }

    void copyAll();
    void joinLines();
    void selectRegion();
    void overlay();

Q_SIGNALS:
    void shown();
    void statusChanged();
    // The whole content replaced by an action: apply it as one undoable change.
    void textReplaced(const QString& text);

private:
    void flash(const QString& message);

    platform::Clipboard* clipboard_;
    QString text_;
    QString flash_;
    QTimer flashTimer_;
    std::function<void()> rerun_;
    std::function<void(const QString&)> overlay_;
};

} // namespace mebo
