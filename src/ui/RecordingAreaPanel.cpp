#include "ui/RecordingAreaPanel.h"

#include "ui/RegionSelectionView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>

namespace mebo {

RecordingAreaPanel::RecordingAreaPanel(QWidget* parent) : QFrame(parent) {
    // Drawn as a heads-up plate over the frozen picture, like the overlay's labels.
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(false);
    setCursor(Qt::ArrowCursor);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(6);
    start_ = new QPushButton(QStringLiteral("Start Recording"), this);
    start_->setDefault(true);
    start_->setCursor(Qt::PointingHandCursor);
    // Keys belong to the overlay: Space and Return must not press the button behind its back.
    start_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(start_);
    connect(start_, &QPushButton::clicked, this, [this] {
        if (const auto start = onStart) {
            start();
        }
    });
    adjustSize();
}

void RecordingAreaPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(RegionSelectionView::headsUpBackground());
    p.drawRoundedRect(QRectF(rect()), 8, 8);
}

} // namespace mebo
