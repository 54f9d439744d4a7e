#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace mebo {

class OcrResultWindowModel;

// The OCR result window: the recognised text (editable, with undo), the status line and the five
// buttons, all bound to the window model. One window for the life of the process; closing hides
// it. Main thread.
class OcrResultWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 520;
    static constexpr int kHeight = 420;
    static constexpr int kMinWidth = 360;
    static constexpr int kMinHeight = 240;
    static constexpr int kPadding = 12;
    static constexpr int kButtonSpacing = 8;

    explicit OcrResultWindow(OcrResultWindowModel& model, QWidget* parent = nullptr);

    QPlainTextEdit* textView() const { return text_; }
    QLabel* statusLabel() const { return status_; }
    QPushButton* button(const QString& title) const;

private:
    void present();
    void syncButtons();

    OcrResultWindowModel& model_;
    QPlainTextEdit* text_;
    QLabel* status_;
    QPushButton* copy_;
    QPushButton* join_;
    QPushButton* region_;
    QPushButton* overlay_;
    QPushButton* close_;
    bool placed_ = false;
    bool applying_ = false; // a replacement from the model, not a user edit
};

} // namespace mebo
