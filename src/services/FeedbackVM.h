#pragma once

#include "services/TicketRecords.h"

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace mebo {

class TicketAPI;

// The Feedback tab: the new-ticket form, the user's tickets, one ticket's conversation and the
// reply field. Every failure ends in one `errorMsg` and one log line; nothing retries. State
// changes on the main thread; `changed` tells the view to re-read.
class FeedbackVM : public QObject {
    Q_OBJECT
public:
    explicit FeedbackVM(TicketAPI& api, QObject* parent = nullptr);

    const QList<TicketItem>& tickets() const { return tickets_; }
    bool isLoading() const { return isLoading_; }
    const std::optional<QString>& errorMsg() const { return errorMsg_; }
    const QString& category() const { return category_; }
    const QString& title() const { return title_; }
    const QString& content() const { return content_; }
    bool isSubmitting() const { return isSubmitting_; }
    bool showSuccess() const { return showSuccess_; }
    const std::optional<TicketDetail>& ticketDetail() const { return ticketDetail_; }
    bool isLoadingDetail() const { return isLoadingDetail_; }
    const QString& newComment() const { return newComment_; }
    bool isAddingComment() const { return isAddingComment_; }

    void setCategory(const QString& rawValue);
    void setTitle(const QString& title);
    void setContent(const QString& content);
    void setNewComment(const QString& comment);
    // Whether the form / the reply has what sending needs (and nothing is being sent).
    bool canSubmit() const;
    bool canAddComment() const;

    void loadTickets();
    void submit();
    void openTicket(const QString& uuid);
    void closeTicket();
    void addComment();
    void dismissError();

    static QString successText() { return QStringLiteral("Thank you for your feedback!"); }
    static QString replyPlaceholder() { return QStringLiteral("Type a reply... (Ctrl+Enter)"); }

Q_SIGNALS:
    void changed();

private:
    void setError(const QString& text);

    TicketAPI& api_;
    QList<TicketItem> tickets_;
    bool isLoading_ = false;
    std::optional<QString> errorMsg_;
    QString category_ = QStringLiteral("bug");
    QString title_;
    QString content_;
    bool isSubmitting_ = false;
    bool showSuccess_ = false;
    std::optional<TicketDetail> ticketDetail_;
    bool isLoadingDetail_ = false;
    QString newComment_;
    bool isAddingComment_ = false;
    QString openUuid_; // the ticket whose detail is wanted; later answers of others are dropped
};

} // namespace mebo
