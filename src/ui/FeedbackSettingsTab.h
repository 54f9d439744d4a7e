#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTextBrowser;
class QTreeWidget;

namespace mebo {

class FeedbackVM;

// The Feedback tab: a form for a new ticket (category, title, content) above the user's tickets
// (status colour, title, category, last change); a ticket opens in place with its conversation,
// the support team's replies marked, and a reply field that sends with Ctrl+Enter. Main thread.
class FeedbackSettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit FeedbackSettingsTab(FeedbackVM& vm, QWidget* parent = nullptr);

    QComboBox* categoryBox() const { return category_; }
    QLineEdit* titleField() const { return title_; }
    QPlainTextEdit* contentField() const { return content_; }
    QPushButton* submitButton() const { return submit_; }
    QLabel* messageLabel() const { return message_; }
    QTreeWidget* ticketList() const { return list_; }
    QStackedWidget* pages() const { return pages_; }
    QTextBrowser* conversation() const { return conversation_; }
    QPlainTextEdit* replyField() const { return reply_; }
    QPushButton* sendButton() const { return send_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void refreshList();
    void refreshDetail();
    QWidget* buildListPage();
    QWidget* buildDetailPage();

    FeedbackVM& vm_;
    bool loadedOnce_ = false;
    QStackedWidget* pages_ = nullptr;
    QComboBox* category_ = nullptr;
    QLineEdit* title_ = nullptr;
    QPlainTextEdit* content_ = nullptr;
    QPushButton* submit_ = nullptr;
    QLabel* message_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLabel* emptyList_ = nullptr;
    QPushButton* back_ = nullptr;
    QLabel* detailTitle_ = nullptr;
    QLabel* detailMeta_ = nullptr;
    QTextBrowser* conversation_ = nullptr;
    QPlainTextEdit* reply_ = nullptr;
    QPushButton* send_ = nullptr;
    QLabel* detailMessage_ = nullptr;
    QString listShown_; // the tickets the list shows (uuid, status, time), to rebuild it only on change
    QString htmlShown_;
};

} // namespace mebo
