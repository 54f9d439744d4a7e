#pragma once

#include <QColor>
#include <QToolButton>

class QPainter;

namespace mebo {

// A button showing a colour (over a checkerboard, so the alpha shows). A picker button opens the
// colour dialog with the alpha channel; a swatch button offers its own colour on a click.
class ColorButton : public QToolButton {
    Q_OBJECT
public:
    enum class Role { picker, swatch };

    explicit ColorButton(Role role, QWidget* parent = nullptr);

    QColor color() const { return color_; }
    // Shows `color` without emitting anything.
    void setColor(const QColor& color);
    // An unset colour is drawn as an empty swatch crossed by a line.
    bool isUnset() const { return unset_; }
    void setUnset(bool unset);
    void setDialogTitle(const QString& title) { dialogTitle_ = title; }

    QSize sizeHint() const override;

    // Paints a colour swatch with the checkerboard behind it and a thin frame.
    static void paintSwatch(QPainter& painter, const QRectF& rect, const QColor& color,
                            const QPalette& palette, double radius = 3);

Q_SIGNALS:
    // The user picked a colour (dialog accepted, or a swatch clicked).
    void colorPicked(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onClicked();

    Role role_;
    QColor color_ = Qt::black;
    bool unset_ = false;
    QString dialogTitle_;
};

} // namespace mebo
