#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mebo {

// The "Trim Video" prompt: the video's duration, a start and an end field (seconds), Trim and
// Cancel. Trim stays off while the fields give no range (start not before end).
class TrimVideoDialog : public QDialog {
    Q_OBJECT
public:
    TrimVideoDialog(double durationSec, QWidget* parent = nullptr);

    QString startText() const;
    QString endText() const;
    QLineEdit* startField() const { return start_; }
    QLineEdit* endField() const { return end_; }
    QPushButton* trimButton() const { return trim_; }
    QLabel* problemLabel() const { return problem_; }

private:
    void validate();

    double duration_;
    QLineEdit* start_;
    QLineEdit* end_;
    QPushButton* trim_;
    QLabel* problem_;
};

} // namespace mebo
