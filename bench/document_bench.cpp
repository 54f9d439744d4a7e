// Annotated documents: flattening a 3840x2160 capture with 200 mixed layers (what an export and
// the editor's composite do), and writing then reading its project file.
//
//   document_bench --benchmark_filter='^flatten'      the composite
//   document_bench --benchmark_filter='^project'      .mebo write and read
//
// The base image is a synthetic desktop (window chrome, text lines, a photo-like gradient), so
// the PNG inside the project compresses the way a real capture does.
#include "document/ArrowLayer.h"
#include "document/CalloutLayer.h"
#include "document/DocumentFlattener.h"
#include "document/EllipseLayer.h"
#include "document/HighlighterLayer.h"
#include "document/LayerCodec.h"
#include "document/MeboDocument.h"
#include "document/MosaicLayer.h"
#include "document/PenLayer.h"
#include "document/RectLayer.h"
#include "document/StepLayer.h"
#include "document/TextLayer.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>

namespace {

using namespace mebo;

QImage syntheticCapture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient wallpaper(0, 0, w, h);
    wallpaper.setColorAt(0, QColor(38, 70, 120));
    wallpaper.setColorAt(1, QColor(170, 90, 60));
    p.fillRect(image.rect(), wallpaper);
    QRandomGenerator rng(7);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    for (int i = 0; i < 6; ++i) {
        const QRect win(120 + i * 560, 140 + (i % 3) * 600, 1500, 1100);
        p.fillRect(win, QColor(248, 248, 250));
        p.fillRect(QRect(win.topLeft(), QSize(win.width(), 44)), QColor(225, 228, 234));
        for (int line = 0; line < 48; ++line) {
            QString text;
            for (int word = 0; word < 14; ++word) {
                text += QString::number(rng.bounded(100000), 36) + QLatin1Char(' ');
            }
            p.setPen(QColor(30 + line % 5 * 20, 30, 40));
            p.drawText(win.left() + 24, win.top() + 80 + line * 21, text);
        }
    }
    return image;
}

LayerList mixedLayers(const QSize& size) {
    LayerList layers;
    QRandomGenerator rng(11);
    auto pt = [&] {
        return QPointF(rng.bounded(size.width() - 400) + 200, rng.bounded(size.height() - 300) + 150);
    };
    for (int i = 0; i < 10; ++i) {
        auto m = std::make_shared<MosaicLayer>();
        m->rect = QRectF(pt(), QSizeF(400, 300));
        m->style = MosaicStyle::gaussian;
        m->intensity = 12;
        m->shadow = ShadowStyle::soft;
        layers << m;
    }
    for (int i = 0; i < 20; ++i) {
        auto t = std::make_shared<TextLayer>();
        t->position = pt();
        t->text = QStringLiteral("Note %1: check this value").arg(i);
        t->fontSize = 28;
        t->color = QColor(220, 30, 40);
        t->backgroundColor = i % 2 ? QColor(255, 255, 255, 220) : QColor(Qt::transparent);
        t->shadow = ShadowStyle::soft;
        layers << t;
    }
    for (int i = 0; i < 60; ++i) {
        auto a = std::make_shared<ArrowLayer>();
        a->start = pt();
        a->end = a->start + QPointF(rng.bounded(300) - 150, rng.bounded(300) - 150);
        if (i % 4 == 0) {
            a->controlPoint = (a->start + a->end) / 2 + QPointF(60, -40);
        }
        a->strokeWidth = 6;
        a->shadow = ShadowStyle::soft;
        layers << a;
    }
    for (int i = 0; i < 20; ++i) {
        auto c = std::make_shared<CalloutLayer>();
        c->rect = QRectF(pt(), QSizeF(260, 120));
        c->tails = {c->rect.bottomLeft() + QPointF(-60, 80)};
        c->text = QStringLiteral("Callout %1 with some text").arg(i);
        c->outlineColor = QColor(40, 40, 40);
        c->shadow = ShadowStyle::soft;
        layers << c;
    }
    for (int i = 0; i < 40; ++i) {
        auto s = std::make_shared<StepLayer>();
        s->center = pt();
        s->number = i + 1;
        s->radius = 22;
        s->shadow = ShadowStyle::soft;
        layers << s;
    }
    for (int i = 0; i < 20; ++i) {
        auto r = std::make_shared<RectLayer>();
        r->rect = QRectF(pt(), QSizeF(300, 160));
        r->cornerRadius = 10;
        r->shadow = ShadowStyle::soft;
        layers << r;
    }
    for (int i = 0; i < 15; ++i) {
        auto h = std::make_shared<HighlighterLayer>();
        h->rect = QRectF(pt(), QSizeF(420, 26));
        layers << h;
    }
    for (int i = 0; i < 10; ++i) {
        auto e = std::make_shared<EllipseLayer>();
        e->rect = QRectF(pt(), QSizeF(200, 120));
        e->shadow = ShadowStyle::soft;
        layers << e;
    }
    for (int i = 0; i < 5; ++i) {
        auto pen = std::make_shared<PenLayer>();
        QPointF at = pt();
        for (int k = 0; k < 80; ++k) {
            at += QPointF(rng.bounded(21) - 10, rng.bounded(21) - 10);
            pen->points << at;
        }
        pen->shadow = ShadowStyle::soft;
        layers << pen;
    }
    return layers;
}

struct Scene {
    QImage base = syntheticCapture(3840, 2160);
    LayerList layers = mixedLayers(base.size());
};

const Scene& scene() {
    static const Scene s;
    return s;
}

void flatten_4k_200_layers(benchmark::State& state) {
    const Scene& s = scene();
    for (auto _ : state) {
        QImage out = DocumentFlattener::flatten(s.base, s.layers, QRectF(s.base.rect()));
        benchmark::DoNotOptimize(out.constBits());
    }
    state.counters["layers"] = double(s.layers.size());
}
BENCHMARK(flatten_4k_200_layers)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The fixed part: the base converted into the output buffer, no layers.
void flatten_4k_base_only(benchmark::State& state) {
    const Scene& s = scene();
    for (auto _ : state) {
        QImage out = DocumentFlattener::flatten(s.base, {}, QRectF(s.base.rect()));
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(flatten_4k_base_only)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

// Where the time of one flatten goes, by layer class (counters in ms).
void flatten_by_class(benchmark::State& state) {
    const Scene& s = scene();
    std::map<std::string, double> ms;
    for (auto _ : state) {
        const QImage erased = DocumentFlattener::applyErasers(s.base, s.layers);
        QImage out(s.base.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&out);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        painter.drawImage(0, 0, erased);
        for (const LayerPtr& layer : s.layers) {
            QElapsedTimer t;
            t.start();
            painter.save();
            layer->draw(painter, erased);
            painter.restore();
            ms[layer->className()] += t.nsecsElapsed() / 1e6;
        }
    }
    for (const auto& [name, total] : ms) {
        state.counters[name] = total / double(state.iterations());
    }
}
BENCHMARK(flatten_by_class)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The base PNG is encoded once per editor base revision and cached, so a save re-encodes only
// the layers; this measures that save and a full open (JSON, PNG decode, every layer).
void project_write_4k_200_layers(benchmark::State& state) {
    const Scene& s = scene();
    static const QByteArray png = MeboDocument::encodeBaseImage(s.base);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mebo"));
    for (auto _ : state) {
        MeboDocument::fromContent(png, QRectF(s.base.rect()), std::nullopt, s.layers).writeFile(path);
    }
    state.counters["bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(project_write_4k_200_layers)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

void project_read_4k_200_layers(benchmark::State& state) {
    const Scene& s = scene();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mebo"));
    MeboDocument::fromContent(MeboDocument::encodeBaseImage(s.base), QRectF(s.base.rect()), std::nullopt,
                              s.layers)
        .writeFile(path);
    for (auto _ : state) {
        const MeboDocument doc = MeboDocument::readFile(path);
        QImage base = doc.decodeBaseImage();
        LayerList layers = doc.decodeLayers();
        benchmark::DoNotOptimize(base.constBits());
        if (layers.size() != s.layers.size()) {
            state.SkipWithError("layers lost in the round trip");
        }
    }
}
BENCHMARK(project_read_4k_200_layers)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

void base_png_encode_4k(benchmark::State& state) {
    const Scene& s = scene();
    for (auto _ : state) {
        benchmark::DoNotOptimize(MeboDocument::encodeBaseImage(s.base).size());
    }
}
BENCHMARK(base_png_encode_4k)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
