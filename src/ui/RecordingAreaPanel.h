#pragma once

#include <QFrame>
#include <functional>

class QPushButton;

namespace mebo {

// The small panel that sits beside a recording-area selection: its button hands the selection
// to the recording. Lives on the overlay view, outside the selected rectangle.
class RecordingAreaPanel : public QFrame {
    Q_OBJECT
public:
    explicit RecordingAreaPanel(QWidget* parent = nullptr);

    std::function<void()> onStart;
    QPushButton* startButton() const { return start_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPushButton* start_;
};

} // namespace mebo
