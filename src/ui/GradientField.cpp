#include "ui/GradientField.h"

#include "ui/ColorButton.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

namespace mebo {

GradientField::GradientField(QWidget* parent) : QWidget(parent) {
    enabled_ = new QCheckBox(QStringLiteral("Gradient"), this);
    start_ = new ColorButton(ColorButton::Role::picker, this);
    start_->setColor(QColor(255, 59, 48));
    start_->setToolTip(QStringLiteral("Start colour"));
    start_->setDialogTitle(QStringLiteral("Gradient Start"));
    end_ = new ColorButton(ColorButton::Role::picker, this);
    end_->setColor(QColor(255, 204, 0));
    end_->setToolTip(QStringLiteral("End colour"));
    end_->setDialogTitle(QStringLiteral("Gradient End"));
    angle_ = new QSpinBox(this);
    angle_->setRange(0, 359);
    angle_->setWrapping(true);
    angle_->setSingleStep(15);
    angle_->setSuffix(QStringLiteral("°"));
    angle_->setKeyboardTracking(false);
    angle_->setToolTip(QStringLiteral("Direction (0° runs left to right, 90° top to bottom)"));
    auto* arrow = new QLabel(QStringLiteral("→"), this);
    arrow->setForegroundRole(QPalette::PlaceholderText);

    auto* parts = new QHBoxLayout;
    parts->setSpacing(6);
    parts->addWidget(start_);
    parts->addWidget(arrow);
    parts->addWidget(end_);
    parts->addStretch(1);
    parts->addWidget(angle_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(enabled_);
    column->addLayout(parts);
    setPartsEnabled(false);

    auto emitValue = [this] { Q_EMIT edited(value()); };
    connect(enabled_, &QCheckBox::toggled, this, [this, emitValue](bool on) {
        setPartsEnabled(on);
        emitValue();
    });
    connect(start_, &ColorButton::colorPicked, this, emitValue);
    connect(end_, &ColorButton::colorPicked, this, emitValue);
    connect(angle_, &QSpinBox::valueChanged, this, emitValue);
}

void GradientField::setPartsEnabled(bool enabled) {
    start_->setEnabled(enabled);
    end_->setEnabled(enabled);
    angle_->setEnabled(enabled);
}

std::optional<GradientFill> GradientField::value() const {
    if (!enabled_->isChecked()) {
        return std::nullopt;
    }
    return GradientFill{start_->color(), end_->color(), angle_->value() * std::numbers::pi / 180.0};
}

void GradientField::setValue(const std::optional<GradientFill>& value) {
    const QSignalBlocker blockBox(enabled_);
    const QSignalBlocker blockAngle(angle_);
    enabled_->setChecked(value.has_value());
    setPartsEnabled(value.has_value());
    if (value) {
        start_->setColor(value->startColor);
        end_->setColor(value->endColor);
        int degrees = int(std::lround(value->angle * 180.0 / std::numbers::pi)) % 360;
        angle_->setValue(degrees < 0 ? degrees + 360 : degrees);
    }
}

} // namespace mebo
