#pragma once

#include "document/GradientFill.h"

#include <QWidget>
#include <optional>

class QCheckBox;
class QSpinBox;

namespace mebo {

class ColorButton;

// A two-colour linear gradient with its direction, or none.
class GradientField : public QWidget {
    Q_OBJECT
public:
    explicit GradientField(QWidget* parent = nullptr);

    std::optional<GradientFill> value() const;
    // Shows the value without emitting anything.
    void setValue(const std::optional<GradientFill>& value);

    QCheckBox* enabledBox() const { return enabled_; }
    ColorButton* startButton() const { return start_; }
    ColorButton* endButton() const { return end_; }
    QSpinBox* angleBox() const { return angle_; }

Q_SIGNALS:
    void edited(const std::optional<GradientFill>& value);

private:
    void setPartsEnabled(bool enabled);

    QCheckBox* enabled_;
    ColorButton* start_;
    ColorButton* end_;
    QSpinBox* angle_; // degrees; stored in radians
};

} // namespace mebo
