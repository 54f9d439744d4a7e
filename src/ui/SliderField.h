#pragma once

#include <QString>
#include <QWidget>
#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QSlider;

namespace mebo {

// The range of a number setting. `scale` converts the stored value to the shown one (opacity 0-1
// is shown 0-100 %); min, max and step are in shown units.
struct NumberRange {
    double min = 0;
    double max = 100;
    double step = 1;
    int decimals = 0;
    QString suffix;
    double scale = 1;
    // What an optional number shows (greyed) while it has no value, in shown units.
    double placeholder = 0;
};

// A number setting: a slider with a spin box beside it and, for an optional number, a "Default"
// check box that stands for no value of its own. A slider drag reports every step and marks the
// release as the end of the edit.
class SliderField : public QWidget {
    Q_OBJECT
public:
    // `defaultText` empty: the number is always set.
    explicit SliderField(const NumberRange& range, const QString& defaultText = {},
                         QWidget* parent = nullptr);

    std::optional<double> value() const; // stored units
    // Shows the value without emitting anything; a slider being dragged is left alone.
    void setValue(const std::optional<double>& value);

    QSlider* slider() const { return slider_; }
    QDoubleSpinBox* spinBox() const { return spin_; }
    QCheckBox* defaultBox() const { return default_; }

Q_SIGNALS:
    // `finished`: the edit is complete (released slider, entered number, toggled Default).
    void edited(const std::optional<double>& value, bool finished);

private:
    int sliderPosition(double shown) const;
    double shownFromSlider(int position) const;
    void setControlsEnabled(bool enabled);

    NumberRange range_;
    QSlider* slider_;
    QDoubleSpinBox* spin_;
    QCheckBox* default_ = nullptr;
};

} // namespace mebo
