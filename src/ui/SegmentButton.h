#pragma once

#include <QToolButton>

namespace mebo {

// One segment of a segmented choice. Fusion draws a checked tool button barely darker than an
// unchecked one; the chosen segment is painted in the selection colour so it reads in both
// appearances.
class SegmentButton : public QToolButton {
    Q_OBJECT
public:
    explicit SegmentButton(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace mebo
