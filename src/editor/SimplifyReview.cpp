#include "editor/SimplifyReview.h"

#include "document/SimplifyLayer.h"
#include "editor/EditorVM.h"

#include <QPointer>
#include <algorithm>

namespace mebo {

SimplifyReview::SimplifyReview(EditorVM& editor, SimplifyDetector detector, QObject* parent)
    : ReviewList(parent), editor_(editor), detector_(std::move(detector)) {}

void SimplifyReview::scan() {
    const quint64 request = ++generation_;
    scanning_ = true;
    found_.reset();
    checked_.clear();
    Q_EMIT changed();
    QPointer<SimplifyReview> self(this);
    detector_.detect(editor_.baseImage(), [self, request](std::optional<QList<SimplifyProposal>> found) {
        if (!self || request != self->generation_) {
            return; // a newer scan, or the review is gone
        }
        self->scanning_ = false;
        self->found_ = std::move(found);
        self->checked_ = QList<bool>(self->items().size(), true);
        Q_EMIT self->changed();
    });
}

const QList<SimplifyProposal>& SimplifyReview::items() const {
    static const QList<SimplifyProposal> kNone;
    return found_ ? *found_ : kNone;
}

QString SimplifyReview::text() const {
    return scanning_ || generation_ == 0 ? QString() : SimplifyDetector::reviewText(found_);
}

QString SimplifyReview::rowText(int index) const {
    const SimplifyProposal& p = items().at(index);
    return QStringLiteral("%1   %2x%3 at %4, %5")
        .arg(SimplifyProposal::label(p.kind))
        .arg(p.rect.width())
        .arg(p.rect.height())
        .arg(p.rect.x())
        .arg(p.rect.y());
}

void SimplifyReview::setChecked(int index, bool checked) {
    if (index >= 0 && index < checked_.size() && checked_[index] != checked) {
        checked_[index] = checked;
        Q_EMIT changed();
    }
}

int SimplifyReview::checkedCount() const {
    return int(std::count(checked_.cbegin(), checked_.cend(), true));
}

void SimplifyReview::apply() {
    QList<SimplifyProposal> chosen;
    for (int i = 0; i < items().size(); ++i) {
        if (checked_.value(i)) {
            chosen.append(items()[i]);
        }
    }
    if (!chosen.isEmpty()) {
        editor_.addLayers(layersFor(chosen));
    }
}

LayerList SimplifyReview::layersFor(const QList<SimplifyProposal>& proposals) {
    LayerList out;
    for (const SimplifyProposal& p : proposals) {
        auto layer = std::make_shared<SimplifyLayer>();
        layer->rect = QRectF(p.rect);
        layer->fillColor = p.fill;
        layer->shape = p.shape;
        layer->cornerRadius = p.cornerRadius;
        layer->borderColor = p.fill;
        layer->borderWidth = 0;
        out.append(std::move(layer));
    }
    return out;
}

} // namespace mebo
