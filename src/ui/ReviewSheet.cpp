#include "ui/ReviewSheet.h"

#include "editor/ReviewList.h"

#include <QDialogButtonBox>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mebo {

ReviewSheet::ReviewSheet(ReviewList& review, const Texts& texts, QWidget* parent)
    : QDialog(parent), review_(review), texts_(texts) {
    setWindowTitle(texts_.title);
    setWindowModality(Qt::WindowModal);
    title_ = new QLabel(this);
    title_->setWordWrap(true);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    list_ = new QListWidget(this);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    // Enter goes to the list, so Ctrl+Enter is the key that applies the checked rows.
    buttons_->button(QDialogButtonBox::Apply)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    buttons_->button(QDialogButtonBox::Apply)->setToolTip(texts_.applyTip);
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

    connect(&review_, &ReviewList::changed, this, &ReviewSheet::refresh);
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

void ReviewSheet::refresh() {
    filling_ = true;
    title_->setText(review_.scanning() ? texts_.scanning : review_.text());
    list_->clear();
    for (int i = 0; i < review_.rowCount(); ++i) {
        auto* row = new QListWidgetItem(review_.rowText(i), list_);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        row->setCheckState(review_.isChecked(i) ? Qt::Checked : Qt::Unchecked);
    }
    list_->setVisible(review_.rowCount() > 0);
    buttons_->button(QDialogButtonBox::Apply)->setEnabled(review_.checkedCount() > 0);
    filling_ = false;
}

} // namespace mebo
