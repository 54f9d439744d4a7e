#include "ui/SliderField.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>

namespace mebo {

SliderField::SliderField(const NumberRange& range, const QString& defaultText, QWidget* parent)
    : QWidget(parent), range_(range) {
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(0, sliderPosition(range.max));
    slider_->setPageStep(std::max(1, slider_->maximum() / 10));
    slider_->setMinimumWidth(60);
    spin_ = new QDoubleSpinBox(this);
    spin_->setRange(range.min, range.max);
    spin_->setSingleStep(range.step);
    spin_->setDecimals(range.decimals);
    spin_->setSuffix(range.suffix);
    spin_->setKeyboardTracking(false);
    spin_->setAlignment(Qt::AlignRight);
    spin_->setFixedWidth(range.suffix.size() > 1 ? 72 : 62);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(slider_, 1);
    row->addWidget(spin_);
    if (!defaultText.isEmpty()) {
        default_ = new QCheckBox(defaultText, this);
        default_->setToolTip(QStringLiteral("Use the layer's own default"));
        row->addWidget(default_);
        connect(default_, &QCheckBox::toggled, this, [this](bool on) {
            setControlsEnabled(!on);
            Q_EMIT edited(value(), true);
        });
    }

    {
        const double start = std::clamp(range.placeholder, range.min, range.max);
        spin_->setValue(start);
        slider_->setValue(sliderPosition(start));
    }

    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        const double shown = shownFromSlider(position);
        {
            const QSignalBlocker block(spin_);
            spin_->setValue(shown);
        }
        // Keyboard and page steps end at once; a drag ends on release.
        Q_EMIT edited(value(), !slider_->isSliderDown());
    });
    connect(slider_, &QSlider::sliderReleased, this, [this] { Q_EMIT edited(value(), true); });
    connect(spin_, &QDoubleSpinBox::valueChanged, this, [this](double shown) {
        {
            const QSignalBlocker block(slider_);
            slider_->setValue(sliderPosition(shown));
        }
        Q_EMIT edited(value(), true);
    });
}

int SliderField::sliderPosition(double shown) const {
    const double step = range_.step > 0 ? range_.step : 1;
    return int(std::lround((std::clamp(shown, range_.min, range_.max) - range_.min) / step));
}

double SliderField::shownFromSlider(int position) const {
    const double step = range_.step > 0 ? range_.step : 1;
    return std::min(range_.max, range_.min + position * step);
}

void SliderField::setControlsEnabled(bool enabled) {
    slider_->setEnabled(enabled);
    spin_->setEnabled(enabled);
}

std::optional<double> SliderField::value() const {
    if (default_ && default_->isChecked()) {
        return std::nullopt;
    }
    return spin_->value() / range_.scale;
}

void SliderField::setValue(const std::optional<double>& value) {
    if (slider_->isSliderDown()) {
        return;
    }
    if (default_) {
        const QSignalBlocker block(default_);
        default_->setChecked(!value);
        setControlsEnabled(value.has_value());
    }
    if (!value) {
        return; // the controls keep the last number, greyed out
    }
    const double shown = *value * range_.scale;
    const QSignalBlocker blockSpin(spin_);
    const QSignalBlocker blockSlider(slider_);
    spin_->setValue(shown);
    slider_->setValue(sliderPosition(shown));
}

} // namespace mebo
