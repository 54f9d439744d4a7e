#include "ui/FontChoice.h"

#include <QCheckBox>
#include <QFontComboBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace mebo {

FontChoice::FontChoice(QWidget* parent) : QWidget(parent) {
    system_ = new QCheckBox(QStringLiteral("System font"), this);
    combo_ = new QFontComboBox(this);
    combo_->setMinimumWidth(80);
    combo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo_->setMinimumContentsLength(10);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(system_);
    column->addWidget(combo_);

    connect(system_, &QCheckBox::toggled, this, [this](bool on) {
        combo_->setEnabled(!on);
        Q_EMIT chosen(value());
    });
    connect(combo_, &QFontComboBox::activated, this, [this](int) { Q_EMIT chosen(value()); });
}

QString FontChoice::value() const {
    return system_->isChecked() ? QString() : combo_->currentFont().family();
}

void FontChoice::setValue(const QString& family) {
    const QSignalBlocker blockBox(system_);
    const QSignalBlocker blockCombo(combo_);
    system_->setChecked(family.isEmpty());
    combo_->setEnabled(!family.isEmpty());
    if (!family.isEmpty()) {
        combo_->setCurrentFont(QFont(family));
    }
}

} // namespace mebo
