#include "editor/LayerArrangement.h"

#include <algorithm>

namespace mebo {

LayerList LayerArrangement::forward(const LayerList& layers, const LayerList& group) {
    LayerList moved = layers;
    for (qsizetype i = moved.size() - 2; i >= 0; --i) {
        if (group.contains(moved[i]) && !group.contains(moved[i + 1])) {
            moved.swapItemsAt(i, i + 1);
        }
    }
    return moved;
}

LayerList LayerArrangement::backward(const LayerList& layers, const LayerList& group) {
    LayerList moved = layers;
    for (qsizetype i = 1; i < moved.size(); ++i) {
        if (group.contains(moved[i]) && !group.contains(moved[i - 1])) {
            moved.swapItemsAt(i, i - 1);
        }
    }
    return moved;
}

LayerList LayerArrangement::toFront(const LayerList& layers, const LayerList& group) {
    LayerList rest;
    LayerList members;
    for (const LayerPtr& l : layers) {
        (group.contains(l) ? members : rest).append(l);
    }
    return rest + members;
}

LayerList LayerArrangement::toBack(const LayerList& layers, const LayerList& group) {
    LayerList rest;
    LayerList members;
    for (const LayerPtr& l : layers) {
        (group.contains(l) ? members : rest).append(l);
    }
    return members + rest;
}

QHash<const DrawingLayer*, LayerPtr> LayerArrangement::aligned(const LayerList& targets,
                                                               LayerAlignment alignment) {
    QRectF all;
    for (const LayerPtr& l : targets) {
        all = all.united(l->bounds());
    }
    QHash<const DrawingLayer*, LayerPtr> moved;
    for (const LayerPtr& l : targets) {
        const QRectF b = l->bounds();
        double dx = 0;
        double dy = 0;
        switch (alignment) {
        case LayerAlignment::left:
            dx = all.left() - b.left();
            break;
        case LayerAlignment::horizontalCenter:
            dx = all.center().x() - b.center().x();
            break;
        case LayerAlignment::right:
            dx = all.right() - b.right();
            break;
        case LayerAlignment::top:
            dy = all.top() - b.top();
            break;
        case LayerAlignment::verticalCenter:
            dy = all.center().y() - b.center().y();
            break;
        case LayerAlignment::bottom:
            dy = all.bottom() - b.bottom();
            break;
        }
        if (dx != 0 || dy != 0) {
            moved.insert(l.get(), l->translated(dx, dy));
        }
    }
    return moved;
}

QHash<const DrawingLayer*, LayerPtr> LayerArrangement::distributed(LayerList targets,
                                                                   Qt::Orientation orientation) {
    const bool horizontal = orientation == Qt::Horizontal;
    auto centreOf = [horizontal](const LayerPtr& l) {
        const QPointF c = l->bounds().center();
        return horizontal ? c.x() : c.y();
    };
    std::stable_sort(targets.begin(), targets.end(),
                     [&](const LayerPtr& a, const LayerPtr& b) { return centreOf(a) < centreOf(b); });
    const double first = centreOf(targets.first());
    const double step = (centreOf(targets.last()) - first) / double(targets.size() - 1);
    QHash<const DrawingLayer*, LayerPtr> moved;
    for (qsizetype i = 1; i + 1 < targets.size(); ++i) {
        const double delta = first + step * double(i) - centreOf(targets[i]);
        if (delta != 0) {
            moved.insert(targets[i].get(),
                         horizontal ? targets[i]->translated(delta, 0) : targets[i]->translated(0, delta));
        }
    }
    return moved;
}

} // namespace mebo
