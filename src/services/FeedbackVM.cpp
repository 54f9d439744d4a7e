#include "services/FeedbackVM.h"

#include "app/AppLogger.h"
#include "services/TicketAPI.h"

#include <QPointer>

namespace mebo {

FeedbackVM::FeedbackVM(TicketAPI& api, QObject* parent) : QObject(parent), api_(api) {}

void FeedbackVM::setCategory(const QString& rawValue) {
    category_ = rawValue;
    Q_EMIT changed();
}

void FeedbackVM::setTitle(const QString& title) {
    title_ = title;
    showSuccess_ = false;
    Q_EMIT changed();
}

void FeedbackVM::setContent(const QString& content) {
    content_ = content;
    showSuccess_ = false;
    Q_EMIT changed();
}

void FeedbackVM::setNewComment(const QString& comment) {
    newComment_ = comment;
    Q_EMIT changed();
}

bool FeedbackVM::canSubmit() const {
    return !isSubmitting_ && !title_.trimmed().isEmpty() && !content_.trimmed().isEmpty();
}

bool FeedbackVM::canAddComment() const {
    return !isAddingComment_ && ticketDetail_ && !newComment_.trimmed().isEmpty();
}

void FeedbackVM::setError(const QString& text) {
    errorMsg_ = text;
}

void FeedbackVM::dismissError() {
    errorMsg_.reset();
    Q_EMIT changed();
}

void FeedbackVM::loadTickets() {
    isLoading_ = true;
    errorMsg_.reset();
    Q_EMIT changed();
    logInfo(QStringLiteral("[Feedback] 獲取工單列表"));
    QPointer<FeedbackVM> self(this);
    api_.loadTickets([self](const TicketReply<TicketListResponse>& reply) {
        if (!self) {
            return;
        }
        if (reply.ok()) {
            self->tickets_ = reply.value->results;
            logInfo(QStringLiteral("[Feedback] 獲取到 %1").arg(self->tickets_.size()));
        } else {
            self->setError(QStringLiteral("Loading failed, please try again"));
            logError(QStringLiteral("[Feedback] 載入工單失敗: ") + reply.error->description());
        }
        self->isLoading_ = false;
        Q_EMIT self->changed();
    });
}

void FeedbackVM::submit() {
    if (isSubmitting_) {
        return;
    }
    isSubmitting_ = true;
    showSuccess_ = false;
    errorMsg_.reset();
    Q_EMIT changed();
    logInfo(QStringLiteral("[Feedback] 創建工單: ") + title_);
    QPointer<FeedbackVM> self(this);
    api_.createTicket(category_, title_, content_, [self](const TicketReply<TicketResponse>& reply) {
        if (!self) {
            return;
        }
        if (reply.ok()) {
            logInfo(QStringLiteral("[Feedback] 工單已創建: ") + reply.value->uuid);
            self->title_.clear();
            self->content_.clear();
            self->showSuccess_ = true;
            self->isSubmitting_ = false;
            Q_EMIT self->changed();
            self->loadTickets();
            return;
        }
        self->setError(QStringLiteral("Submission failed, please try again"));
        logError(QStringLiteral("[Feedback] 提交失敗: ") + reply.error->description());
        self->isSubmitting_ = false;
        Q_EMIT self->changed();
    });
}

void FeedbackVM::openTicket(const QString& uuid) {
    openUuid_ = uuid;
    isLoadingDetail_ = true;
    errorMsg_.reset();
    Q_EMIT changed();
    logInfo(QStringLiteral("[Feedback] 獲取工單詳情: ") + uuid);
    QPointer<FeedbackVM> self(this);
    api_.loadTicketDetail(uuid, [self, uuid](const TicketReply<TicketDetailResponse>& reply) {
        if (!self || self->openUuid_ != uuid) {
            return; // closed, or another ticket was opened meanwhile
        }
        if (reply.ok()) {
            self->ticketDetail_ = reply.value->ticket;
            logInfo(QStringLiteral("[Feedback] 工單詳情已載入: ") + uuid);
        } else {
            self->setError(QStringLiteral("Failed to load details"));
            logError(QStringLiteral("[Feedback] 載入工單詳情失敗: ") + reply.error->description());
        }
        self->isLoadingDetail_ = false;
        Q_EMIT self->changed();
    });
}

void FeedbackVM::closeTicket() {
    openUuid_.clear();
    ticketDetail_.reset();
    isLoadingDetail_ = false;
    newComment_.clear();
    Q_EMIT changed();
}

void FeedbackVM::addComment() {
    if (!ticketDetail_ || isAddingComment_) {
        return;
    }
    const QString uuid = ticketDetail_->uuid;
    isAddingComment_ = true;
    errorMsg_.reset();
    Q_EMIT changed();
    logInfo(QStringLiteral("[Feedback] 添加評論到工單: ") + uuid);
    QPointer<FeedbackVM> self(this);
    api_.addComment(uuid, newComment_, [self, uuid](const TicketReply<CommentResponse>& reply) {
        if (!self) {
            return;
        }
        self->isAddingComment_ = false;
        if (reply.ok()) {
            self->newComment_.clear();
            logInfo(QStringLiteral("[Feedback] 評論已添加: ") + uuid);
            Q_EMIT self->changed();
            if (self->openUuid_ == uuid) {
                self->openTicket(uuid);
            }
            return;
        }
        self->setError(QStringLiteral("Failed to add comment"));
        logError(QStringLiteral("[Feedback] 添加評論失敗: ") + reply.error->description());
        Q_EMIT self->changed();
    });
}

} // namespace mebo
