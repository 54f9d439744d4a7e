#include "document/DocumentFlattener.h"

#include "document/EraserStrokeLayer.h"

#include <QFuture>
#include <QPainter>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace mebo {

namespace {

constexpr int kMaxBands = 8;
constexpr int kMinBandRows = 256;

// Band painting has its own threads: waiting on the global pool from one of its own jobs (an
// export running in the background) could starve it.
QThreadPool* bandPool() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(kMaxBands);
        p->setExpiryTimeout(10'000);
        return p;
    }();
    return pool;
}

bool isEraser(const LayerPtr& layer) {
    return dynamic_cast<const EraserStrokeLayer*>(layer.get()) != nullptr;
}
} // namespace

QImage DocumentFlattener::applyErasers(const QImage& base, const LayerList& layers) {
    bool any = false;
    for (const LayerPtr& layer : layers) {
        if (isEraser(layer)) {
            any = true;
            break;
        }
    }
    // Without erasers the base is used as it is: converting a 4K capture costs more than
    // drawing most documents.
    if (!any || base.isNull()) {
        return base;
    }
    QImage erased = base.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&erased);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const LayerPtr& layer : layers) {
        if (const auto* eraser = dynamic_cast<const EraserStrokeLayer*>(layer.get())) {
            eraser->applyToBase(painter);
        }
    }
    return erased;
}

void DocumentFlattener::drawLayers(QPainter& painter, const QImage& erasedBase, const LayerList& layers) {
    for (const LayerPtr& layer : layers) {
        if (!layer || isEraser(layer)) {
            continue;
        }
        painter.save();
        layer->draw(painter, erasedBase);
        painter.restore();
    }
}

QImage DocumentFlattener::flatten(const QImage& base, const LayerList& layers, const QRectF& canvasRect) {
    if (base.isNull()) {
        return {};
    }
    const QRect crop = canvasRect.normalized().toAlignedRect().intersected(base.rect());
    if (crop.isEmpty()) {
        return {};
    }
    const QImage erased = applyErasers(base, layers);
    // The base becomes the output buffer in one conversion (RGB32 to premultiplied ARGB only sets
    // the alpha bytes), rather than clearing a buffer and painting the base into it.
    QImage out = (crop == erased.rect() ? erased : erased.copy(crop))
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.detach();

    // Large images are painted in horizontal bands, one per core. Every band draws every layer
    // clipped to its rows (layers are immutable and their caches locked, so they can draw from
    // several threads at once); the bands write disjoint rows of the same buffer.
    const int cores = std::clamp(QThread::idealThreadCount(), 1, kMaxBands);
    const int bands = out.height() >= kMinBandRows * 2 ? std::min(cores, out.height() / kMinBandRows) : 1;
    const auto paintBand = [&out, &erased, &layers, crop](int top, int bottom) {
        QImage band(out.bits() + qsizetype(top) * out.bytesPerLine(), out.width(), bottom - top,
                    out.bytesPerLine(), out.format());
        QPainter painter(&band);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                               QPainter::TextAntialiasing);
        painter.translate(-crop.left(), -crop.top() - top);
        drawLayers(painter, erased, layers);
    };
    if (bands <= 1) {
        paintBand(0, out.height());
        return out;
    }
    QList<QFuture<void>> running;
    const int rows = (out.height() + bands - 1) / bands;
    for (int b = 1; b < bands; ++b) {
        const int top = b * rows;
        const int bottom = std::min(out.height(), top + rows);
        if (top < bottom) {
            running << QtConcurrent::run(bandPool(), paintBand, top, bottom);
        }
    }
    paintBand(0, std::min(out.height(), rows));
    for (QFuture<void>& f : running) {
        f.waitForFinished();
    }
    return out;
}

} // namespace mebo
