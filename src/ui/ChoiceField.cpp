#include "ui/ChoiceField.h"

#include "ui/SegmentButton.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

namespace mebo {

ChoiceField::ChoiceField(Look look, const QList<Item>& items, QWidget* parent)
    : QWidget(parent), look_(look), items_(items) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    if (look == Look::menu) {
        combo_ = new QComboBox(this);
        // Long item texts must not widen the panel: the closed box shrinks, the list does not.
        combo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo_->setMinimumContentsLength(8);
        for (const Item& item : items) {
            combo_->addItem(item.text, item.value);
            if (!item.toolTip.isEmpty()) {
                combo_->setItemData(combo_->count() - 1, item.toolTip, Qt::ToolTipRole);
            }
        }
        row->addWidget(combo_, 1);
        connect(combo_, &QComboBox::activated, this,
                [this](int index) { Q_EMIT chosen(combo_->itemData(index).toInt()); });
        return;
    }
    row->setSpacing(0);
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    // Buttons are numbered by position: a button group cannot hold negative ids of its own.
    for (int i = 0; i < items.size(); ++i) {
        const Item& item = items.at(i);
        auto* button = new SegmentButton(item.text, this);
        button->setToolTip(item.toolTip.isEmpty() ? item.text : item.toolTip);
        group_->addButton(button, i);
        row->addWidget(button, 1);
    }
    connect(group_, &QButtonGroup::idClicked, this,
            [this](int index) { Q_EMIT chosen(items_.at(index).value); });
}

int ChoiceField::value() const {
    if (combo_) {
        return combo_->currentData().toInt();
    }
    const int index = group_->checkedId();
    return index >= 0 ? items_.at(index).value : 0;
}

QAbstractButton* ChoiceField::button(int value) const {
    for (int i = 0; i < items_.size(); ++i) {
        if (items_.at(i).value == value) {
            return group_ ? group_->button(i) : nullptr;
        }
    }
    return nullptr;
}

void ChoiceField::setValue(int value) {
    if (combo_) {
        const QSignalBlocker block(combo_);
        combo_->setCurrentIndex(combo_->findData(value));
        return;
    }
    const QSignalBlocker block(group_);
    if (QAbstractButton* b = button(value)) {
        b->setChecked(true);
    }
}

void ChoiceField::choose(int value) {
    setValue(value);
    Q_EMIT chosen(value);
}

} // namespace mebo
