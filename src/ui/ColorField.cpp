#include "ui/ColorField.h"

#include "ui/ColorButton.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QToolButton>

namespace mebo {

const QList<QColor>& ColorField::quickColors() {
    static const QList<QColor> colors = {
        QColor(255, 59, 48), QColor(255, 149, 0),  QColor(255, 204, 0), QColor(52, 199, 89),
        QColor(0, 122, 255), QColor(175, 82, 222), QColor(0, 0, 0),     QColor(255, 255, 255),
    };
    return colors;
}

ColorField::ColorField(const QString& defaultText, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    picker_ = new ColorButton(ColorButton::Role::picker, this);
    picker_->setToolTip(QStringLiteral("Choose a colour"));
    row->addWidget(picker_);
    row->addSpacing(4);
    // Five swatches leave room for the Default toggle within the panel's width.
    const int count = defaultText.isEmpty() ? 8 : 5;
    for (int i = 0; i < count; ++i) {
        auto* swatch = new ColorButton(ColorButton::Role::swatch, this);
        swatch->setColor(quickColors().at(i));
        swatches_.append(swatch);
        row->addWidget(swatch);
        connect(swatch, &ColorButton::colorPicked, this, [this](const QColor& c) {
            setValue(c);
            Q_EMIT edited(c);
        });
    }
    row->addStretch(1);
    if (!defaultText.isEmpty()) {
        default_ = new QToolButton(this);
        default_->setText(defaultText);
        default_->setCheckable(true);
        default_->setToolTip(QStringLiteral("Use no colour of its own"));
        row->addWidget(default_);
        connect(default_, &QToolButton::toggled, this, [this](bool on) {
            setValue(on ? std::nullopt : std::optional<QColor>(last_));
            Q_EMIT edited(value());
        });
    }
    connect(picker_, &ColorButton::colorPicked, this, [this](const QColor& c) {
        setValue(c);
        Q_EMIT edited(c);
    });
}

std::optional<QColor> ColorField::value() const {
    if (picker_->isUnset()) {
        return std::nullopt;
    }
    return picker_->color();
}

void ColorField::setValue(const std::optional<QColor>& value) {
    if (value) {
        last_ = *value;
        picker_->setColor(*value);
    } else {
        picker_->setUnset(true);
    }
    if (default_) {
        const QSignalBlocker block(default_);
        default_->setChecked(!value);
    }
}

} // namespace mebo
