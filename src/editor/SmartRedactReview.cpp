#include "editor/SmartRedactReview.h"

#include "editor/EditorVM.h"
#include "editor/SmartRedaction.h"

#include <QPointer>
#include <algorithm>

namespace mebo {

SmartRedactReview::SmartRedactReview(EditorVM& editor, PIIDetector detector, QObject* parent)
    : ReviewList(parent), editor_(editor), detector_(std::move(detector)) {}

void SmartRedactReview::scan() {
    const quint64 request = ++generation_;
    scanning_ = true;
    found_.reset();
    checked_.clear();
    Q_EMIT changed();
    QPointer<SmartRedactReview> self(this);
    detector_.detect(editor_.baseImage(), [self, request](std::optional<QList<DetectedPII>> found) {
        if (!self || request != self->generation_) {
            return; // a newer scan, or the sheet is gone
        }
        self->scanning_ = false;
        self->found_ = std::move(found);
        self->checked_ = QList<bool>(self->items().size(), true);
        Q_EMIT self->changed();
    });
}

const QList<DetectedPII>& SmartRedactReview::items() const {
    static const QList<DetectedPII> kNone;
    return found_ ? *found_ : kNone;
}

QList<QRect> SmartRedactReview::checkedBoxes() const {
    QList<QRect> boxes;
    const QList<DetectedPII>& all = items();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (isChecked(int(i))) {
            boxes << all.at(i).boundingBox;
        }
    }
    return boxes;
}

QString SmartRedactReview::text() const {
    return scanning_ || generation_ == 0 ? QString() : SmartRedaction::reviewText(found_);
}

QString SmartRedactReview::rowText(int index) const {
    const DetectedPII& item = items().at(index);
    return QStringLiteral("%1   %2").arg(DetectedPII::label(item.kind), item.maskedDisplayText);
}

void SmartRedactReview::setChecked(int index, bool checked) {
    if (index >= 0 && index < checked_.size() && checked_[index] != checked) {
        checked_[index] = checked;
        Q_EMIT changed();
    }
}

int SmartRedactReview::checkedCount() const {
    return int(std::count(checked_.cbegin(), checked_.cend(), true));
}

void SmartRedactReview::apply() {
    QList<DetectedPII> chosen;
    for (int i = 0; i < items().size(); ++i) {
        if (checked_.value(i)) {
            chosen.append(items()[i]);
        }
    }
    SmartRedaction::apply(editor_, chosen);
}

} // namespace mebo
