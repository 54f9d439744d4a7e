#include "ui/FeedbackSettingsTab.h"

#include "services/FeedbackVM.h"
#include "services/TicketDate.h"
#include "ui/AppPalette.h"
#include "ui/ServiceIcons.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace mebo {

namespace {

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

} // namespace

FeedbackSettingsTab::FeedbackSettingsTab(FeedbackVM& vm, QWidget* parent) : QWidget(parent), vm_(vm) {
    pages_ = new QStackedWidget(this);
    pages_->addWidget(buildListPage());
    pages_->addWidget(buildDetailPage());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addWidget(pages_);
    connect(&vm_, &FeedbackVM::changed, this, &FeedbackSettingsTab::refresh);
    refresh();
}

QWidget* FeedbackSettingsTab::buildListPage() {
    auto* page = new QWidget(this);
    category_ = new QComboBox(page);
    for (const TicketCategory& c : TicketCategory::all()) {
        category_->addItem(ServiceIcons::symbol(c.symbol, palette().color(QPalette::WindowText)), c.label,
                           c.rawValue);
    }
    title_ = new QLineEdit(page);
    title_->setPlaceholderText(QStringLiteral("A short summary"));
    content_ = new QPlainTextEdit(page);
    content_->setPlaceholderText(QStringLiteral("What happened, or what would you like Mebo to do?"));
    content_->setTabChangesFocus(true);
    content_->setMinimumHeight(70);
    content_->setMaximumHeight(120);
    submit_ = new QPushButton(QStringLiteral("Submit"), page);
    message_ = new QLabel(page);
    message_->setWordWrap(true);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(8);
    form->addRow(QStringLiteral("Category:"), category_);
    form->addRow(QStringLiteral("Title:"), title_);
    form->addRow(QStringLiteral("Details:"), content_);
    auto* submitRow = new QHBoxLayout;
    submitRow->addWidget(message_, 1);
    submitRow->addWidget(submit_);
    form->addRow(QString(), submitRow);

    refresh_ = new QPushButton(QStringLiteral("Refresh"), page);
    auto* listHeader = new QHBoxLayout;
    listHeader->addWidget(heading(QStringLiteral("Your Tickets"), page));
    listHeader->addStretch(1);
    listHeader->addWidget(refresh_);

    list_ = new QTreeWidget(page);
    list_->setColumnCount(3);
    list_->setHeaderLabels({QStringLiteral("Title"), QStringLiteral("Category"), QStringLiteral("Updated")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    emptyList_ = new QLabel(
        QStringLiteral("No tickets yet. What you send appears here with the team's answers."), page);
    emptyList_->setAlignment(Qt::AlignCenter);
    emptyList_->setWordWrap(true);
    emptyList_->setForegroundRole(QPalette::PlaceholderText);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(heading(QStringLiteral("Send Feedback"), page));
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addLayout(listHeader);
    layout->addWidget(list_, 1);
    layout->addWidget(emptyList_, 1);

    connect(category_, &QComboBox::currentIndexChanged, this,
            [this](int i) { vm_.setCategory(category_->itemData(i).toString()); });
    connect(title_, &QLineEdit::textEdited, &vm_, &FeedbackVM::setTitle);
    connect(content_, &QPlainTextEdit::textChanged, this, [this] {
        if (content_->toPlainText() != vm_.content()) {
            vm_.setContent(content_->toPlainText());
        }
    });
    connect(submit_, &QPushButton::clicked, &vm_, &FeedbackVM::submit);
    connect(refresh_, &QPushButton::clicked, &vm_, &FeedbackVM::loadTickets);
    connect(list_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { vm_.openTicket(item->data(0, Qt::UserRole).toString()); });
    connect(list_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { vm_.openTicket(item->data(0, Qt::UserRole).toString()); });
    return page;
}

QWidget* FeedbackSettingsTab::buildDetailPage() {
    auto* page = new QWidget(this);
    back_ = new QPushButton(QStringLiteral("‹ All Tickets"), page);
    back_->setFlat(true);
    detailTitle_ = new QLabel(page);
    QFont titleFont = detailTitle_->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    detailTitle_->setFont(titleFont);
    detailTitle_->setWordWrap(true);
    detailMeta_ = new QLabel(page);
    detailMeta_->setForegroundRole(QPalette::PlaceholderText);
    conversation_ = new QTextBrowser(page);
    conversation_->setOpenLinks(false);
    reply_ = new QPlainTextEdit(page);
    reply_->setPlaceholderText(FeedbackVM::replyPlaceholder());
    reply_->setFixedHeight(64);
    reply_->installEventFilter(this);
    send_ = new QPushButton(QStringLiteral("Send"), page);
    detailMessage_ = new QLabel(page);
    detailMessage_->setWordWrap(true);

    auto* top = new QHBoxLayout;
    top->addWidget(back_);
    top->addStretch(1);
    auto* replyRow = new QHBoxLayout;
    replyRow->addWidget(reply_, 1);
    replyRow->addWidget(send_, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addLayout(top);
    layout->addWidget(detailTitle_);
    layout->addWidget(detailMeta_);
    layout->addWidget(conversation_, 1);
    layout->addWidget(detailMessage_);
    layout->addLayout(replyRow);

    connect(back_, &QPushButton::clicked, &vm_, &FeedbackVM::closeTicket);
    connect(reply_, &QPlainTextEdit::textChanged, this, [this] {
        if (reply_->toPlainText() != vm_.newComment()) {
            vm_.setNewComment(reply_->toPlainText());
        }
    });
    connect(send_, &QPushButton::clicked, this, [this] {
        if (vm_.canAddComment()) {
            vm_.addComment();
        }
    });
    return page;
}

bool FeedbackSettingsTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == reply_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers().testFlag(Qt::ControlModifier)) {
            if (vm_.canAddComment()) {
                vm_.addComment();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FeedbackSettingsTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!loadedOnce_) {
        loadedOnce_ = true;
        vm_.loadTickets();
    }
}

void FeedbackSettingsTab::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && category_) {
        for (int i = 0; i < category_->count(); ++i) {
            category_->setItemIcon(i, ServiceIcons::symbol(TicketCategory::all().at(i).symbol,
                                                           palette().color(QPalette::WindowText)));
        }
        refresh();
    }
}

void FeedbackSettingsTab::refresh() {
    const bool detail = vm_.ticketDetail().has_value() || vm_.isLoadingDetail();
    pages_->setCurrentIndex(detail ? 1 : 0);
    refreshList();
    refreshDetail();
}

void FeedbackSettingsTab::refreshList() {
    {
        const QSignalBlocker block(category_);
        category_->setCurrentIndex(std::max(0, category_->findData(vm_.category())));
    }
    if (title_->text() != vm_.title()) {
        title_->setText(vm_.title());
    }
    if (content_->toPlainText() != vm_.content()) {
        const QSignalBlocker block(content_);
        content_->setPlainText(vm_.content());
    }
    submit_->setEnabled(vm_.canSubmit());
    submit_->setText(vm_.isSubmitting() ? QStringLiteral("Submitting...") : QStringLiteral("Submit"));
    QPalette p = message_->palette();
    if (vm_.errorMsg()) {
        message_->setText(*vm_.errorMsg());
        p.setColor(QPalette::WindowText, AppPalette::errorText(palette()));
    } else if (vm_.showSuccess()) {
        message_->setText(FeedbackVM::successText());
        p.setColor(QPalette::WindowText, AppPalette::successText(palette()));
    } else {
        message_->clear();
    }
    message_->setPalette(p);
    refresh_->setEnabled(!vm_.isLoading());
    refresh_->setText(vm_.isLoading() ? QStringLiteral("Loading...") : QStringLiteral("Refresh"));

    QString shown;
    for (const TicketItem& t : vm_.tickets()) {
        shown += t.uuid + t.status + t.mtime + t.title + QLatin1Char('\n');
    }
    if (shown == listShown_ && list_->topLevelItemCount() == vm_.tickets().size()) {
        return;
    }
    listShown_ = shown;
    list_->clear();
    for (const TicketItem& t : vm_.tickets()) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, t.title);
        item->setIcon(0, ServiceIcons::dot(ticketStatusColor(t.status)));
        item->setToolTip(0, ticketStatusLabel(t.status));
        item->setText(1, TicketCategory::labelOf(t.category));
        item->setText(2, TicketDate::display(t.mtime));
        item->setData(0, Qt::UserRole, t.uuid);
    }
    list_->setVisible(!vm_.tickets().isEmpty());
    emptyList_->setVisible(vm_.tickets().isEmpty());
}

void FeedbackSettingsTab::refreshDetail() {
    const auto& detail = vm_.ticketDetail();
    if (!detail) {
        detailTitle_->setText(vm_.isLoadingDetail() ? QStringLiteral("Loading...") : QString());
        detailMeta_->clear();
        conversation_->clear();
        htmlShown_.clear();
    } else {
        detailTitle_->setText(detail->title);
        detailMeta_->setText(QStringLiteral("%1 · %2 · %3")
                                 .arg(ticketStatusLabel(detail->status),
                                      TicketCategory::labelOf(detail->category),
                                      TicketDate::display(detail->atime)));
        const QColor status = ticketStatusColor(detail->status);
        const QColor support = AppPalette::successText(palette());
        conversation_->document()->addResource(
            QTextDocument::ImageResource, QUrl(QStringLiteral("icon:support")),
            ServiceIcons::symbol(QStringLiteral("person.badge.shield.checkmark.fill"), support)
                .pixmap(16, 16));
        QString html = QStringLiteral("<p style='color:%1'><b>●</b> %2</p><p>%3</p>")
                           .arg(status.name(), ticketStatusLabel(detail->status).toHtmlEscaped(),
                                escaped(detail->content));
        for (const TicketComment& c : detail->comments) {
            const QString who =
                c.isSupportReply()
                    ? QStringLiteral(
                          "<img src='icon:support' width='16' height='16'> <span style='color:%1'>Mebo "
                          "Support</span>")
                          .arg(support.name())
                    : QStringLiteral("You");
            html += QStringLiteral("<hr><p><b>%1</b> <span style='color:gray'>%2</span></p><p>%3</p>")
                        .arg(who, TicketDate::display(c.atime).toHtmlEscaped(), escaped(c.content));
        }
        if (html != htmlShown_) {
            htmlShown_ = html;
            conversation_->setHtml(html);
        }
    }
    if (reply_->toPlainText() != vm_.newComment()) {
        const QSignalBlocker block(reply_);
        reply_->setPlainText(vm_.newComment());
    }
    reply_->setEnabled(detail.has_value() && !vm_.isAddingComment());
    send_->setEnabled(vm_.canAddComment());
    send_->setText(vm_.isAddingComment() ? QStringLiteral("Sending...") : QStringLiteral("Send"));
    QPalette p = detailMessage_->palette();
    p.setColor(QPalette::WindowText, AppPalette::errorText(palette()));
    detailMessage_->setPalette(p);
    detailMessage_->setText(vm_.errorMsg().value_or(QString()));
    detailMessage_->setVisible(vm_.errorMsg().has_value());
}

} // namespace mebo
