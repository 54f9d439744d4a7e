#pragma once

#include <QDialog>
#include <QString>

class QDialogButtonBox;
class QLabel;
class QListWidget;

namespace mebo {

class ReviewList;

// The review sheet of a scan (Smart Redact, Simplify Auto): the review's text, one check box per
// finding and Apply, bound to the review. Window-modal on the editor; main thread.
class ReviewSheet : public QDialog {
    Q_OBJECT
public:
    struct Texts {
        QString title;    // the window's
        QString scanning; // while the scan runs
        QString applyTip; // Apply's tool tip
    };
    ReviewSheet(ReviewList& review, const Texts& texts, QWidget* parent = nullptr);

    QLabel* titleLabel() const { return title_; }
    QListWidget* list() const { return list_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    void refresh();

    ReviewList& review_;
    Texts texts_;
    QLabel* title_;
    QListWidget* list_;
    QDialogButtonBox* buttons_;
    bool filling_ = false;
};

} // namespace mebo
