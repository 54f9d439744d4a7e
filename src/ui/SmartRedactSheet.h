#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QListWidget;

namespace mebo {

class SmartRedactReview;

// The Smart Redact review sheet: the review's text, one check box per item ("Email  j***@****.com")
// and Apply, bound to the review. Window-modal on the editor; main thread.
class SmartRedactSheet : public QDialog {
    Q_OBJECT
public:
    explicit SmartRedactSheet(SmartRedactReview& review, QWidget* parent = nullptr);

    QLabel* titleLabel() const { return title_; }
    QListWidget* list() const { return list_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    void refresh();

    SmartRedactReview& review_;
    QLabel* title_;
    QListWidget* list_;
    QDialogButtonBox* buttons_;
    bool filling_ = false;
};

} // namespace mebo
