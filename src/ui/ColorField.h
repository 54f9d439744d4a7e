#pragma once

#include <QColor>
#include <QList>
#include <QWidget>
#include <optional>

class QToolButton;

namespace mebo {

class ColorButton;

// A colour setting: the picker button, a row of quick swatches and, for an optional colour, a
// "Default" toggle that stands for no colour of its own.
class ColorField : public QWidget {
    Q_OBJECT
public:
    // `defaultText` empty: the colour is always set.
    explicit ColorField(const QString& defaultText = {}, QWidget* parent = nullptr);

    std::optional<QColor> value() const;
    // Shows the value without emitting anything.
    void setValue(const std::optional<QColor>& value);

    ColorButton* picker() const { return picker_; }
    const QList<ColorButton*>& swatches() const { return swatches_; }
    QToolButton* defaultToggle() const { return default_; }

    // The quick colours offered beside the picker.
    static const QList<QColor>& quickColors();

Q_SIGNALS:
    void edited(const std::optional<QColor>& value);

private:
    ColorButton* picker_;
    QList<ColorButton*> swatches_;
    QToolButton* default_ = nullptr;
    QColor last_ = Qt::black; // shown again when Default is switched off
};

} // namespace mebo
