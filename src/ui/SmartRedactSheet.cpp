#include "ui/SmartRedactSheet.h"

#include "editor/SmartRedactReview.h"

#include <QDialogButtonBox>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mebo {

SmartRedactSheet::SmartRedactSheet(SmartRedactReview& review, QWidget* parent)
    : QDialog(parent), review_(review) {
    setWindowTitle(QStringLiteral("Smart Redact"));
    setWindowModality(Qt::WindowModal);
    title_ = new QLabel(this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    list_ = new QListWidget(this);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    // Enter goes to the list, so Ctrl+Enter is the key that covers the checked items.
    buttons_->button(QDialogButtonBox::Apply)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    buttons_->button(QDialogButtonBox::Apply)
        ->setToolTip(QStringLiteral("Cover the checked items (Ctrl+Enter)"));
    buttons_->button(QDialogButtonBox::Cancel)
        ->setShortcut(QKeySequence(Qt::Key_Escape)); // wherever the focus is
    // A focused push button takes Return with any modifier: Ctrl+Enter pressed while the scan still
    // runs (Apply disabled, Cancel focused) would otherwise throw the review away.
    for (QAbstractButton* button : buttons_->buttons()) {
        if (auto* push = qobject_cast<QPushButton*>(button)) {
            push->setAutoDefault(false);
        }
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons_);
    resize(420, 360);

    connect(&review_, &SmartRedactReview::changed, this, &SmartRedactSheet::refresh);
    connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!filling_) {
            review_.setChecked(list_->row(item), item->checkState() == Qt::Checked);
        }
    });
    connect(buttons_->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] {
        review_.apply();
        accept();
    });
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    refresh();
}

void SmartRedactSheet::refresh() {
    filling_ = true;
    title_->setText(review_.scanning() ? QStringLiteral("Scanning for sensitive text...") : review_.text());
    list_->clear();
    const QList<DetectedPII>& items = review_.items();
    for (int i = 0; i < items.size(); ++i) {
        auto* row = new QListWidgetItem(
            QStringLiteral("%1   %2").arg(DetectedPII::label(items[i].kind), items[i].maskedDisplayText),
            list_);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        row->setCheckState(review_.isChecked(i) ? Qt::Checked : Qt::Unchecked);
    }
    list_->setVisible(!items.isEmpty());
    buttons_->button(QDialogButtonBox::Apply)->setEnabled(review_.checkedCount() > 0);
    filling_ = false;
}

} // namespace mebo
