#include "editor/BorderTrim.h"
#include "app/EditorMenuCommand.h"
#include "document/FillLayer.h"
#include "document/RectLayer.h"
#include "editor/EditorVM.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace mebo {
namespace {

// Content whose every edge row and column has two colours, so it has no border of its own.
QImage content(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            img.setPixel(x, y, ((x / 3 + y / 3) % 2) ? qRgb(20, 90, 200) : qRgb(240, 200, 40));
        }
    }
    return img;
}

// `inner` framed by bands of the given widths and colours (left, top, right, bottom); the top and
// bottom bands span the full width, the side bands the rows between them.
QImage framed(const QImage& inner, int l, int t, int r, int b, QColor left, QColor top, QColor right,
              QColor bottom) {
    QImage img(inner.width() + l + r, inner.height() + t + b, inner.format());
    QPainter p(&img);
    p.fillRect(QRect(0, 0, img.width(), t), top);
    p.fillRect(QRect(0, img.height() - b, img.width(), b), bottom);
    p.fillRect(QRect(0, t, l, inner.height()), left);
    p.fillRect(QRect(img.width() - r, t, r, inner.height()), right);
    p.drawImage(l, t, inner);
    return img;
}

struct TrimCase {
    const char* name;
    QImage image;
    std::optional<QRect> kept;
};

class BorderTrimCases : public ::testing::TestWithParam<int> {};

std::vector<TrimCase> trimCases() {
    const QImage c = content(60, 40);
    std::vector<TrimCase> out;
    out.push_back({"uniform 20 px frame",
                   framed(c, 20, 20, 20, 20, Qt::white, Qt::white, Qt::white, Qt::white),
                   QRect(20, 20, 60, 40)});
    out.push_back({"no border", c, std::nullopt});
    // One line of content is kept, however thin.
    out.push_back({"a one-row picture in a frame",
                   framed(content(60, 1), 5, 5, 5, 5, Qt::white, Qt::white, Qt::white, Qt::white),
                   QRect(5, 5, 60, 1)});
    QImage flat(50, 30, QImage::Format_RGB32);
    flat.fill(Qt::gray);
    out.push_back({"one colour throughout", flat, std::nullopt});
    out.push_back({"each side its own colour", framed(c, 7, 5, 2, 3, Qt::red, Qt::white, Qt::blue, Qt::black),
                   QRect(7, 5, 60, 40)});
    out.push_back({"bottom and right only", framed(c, 0, 0, 9, 4, Qt::white, Qt::white, Qt::green, Qt::green),
                   QRect(0, 0, 60, 40)});
    // A full-height grey band on the left crosses the white top band: both go.
    QImage crossing = framed(c, 6, 8, 0, 0, Qt::gray, Qt::white, Qt::white, Qt::white);
    QPainter(&crossing).fillRect(QRect(0, 0, 6, crossing.height()), Qt::gray);
    out.push_back({"a side band across the top band", crossing, QRect(6, 8, 60, 40)});
    // A black rule spanning the content's first row is content, not border.
    QImage ruled = c;
    QPainter(&ruled).fillRect(QRect(0, 0, ruled.width(), 2), Qt::black);
    out.push_back({"a uniform rule inside the frame",
                   framed(ruled, 10, 10, 10, 10, Qt::white, Qt::white, Qt::white, Qt::white),
                   QRect(10, 10, 60, 40)});
    // Transparency counts as a colour: a clear margin around an opaque picture.
    QImage clear(90, 70, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    QPainter(&clear).drawImage(12, 15, c);
    out.push_back({"transparent margin", clear, QRect(12, 15, 60, 40)});
    // Nearly the frame's colour is not the frame's colour.
    QImage near = framed(c, 4, 4, 4, 4, Qt::white, Qt::white, Qt::white, Qt::white);
    QPainter(&near).fillRect(QRect(4, 4, 60, 1), QColor(254, 255, 255));
    out.push_back({"an almost-white line stays", near, QRect(4, 4, 60, 40)});
    return out;
}

TEST_P(BorderTrimCases, KeepsExactlyTheInside) {
    const TrimCase tc = trimCases().at(size_t(GetParam()));
    EXPECT_EQ(BorderTrim::keptRect(tc.image), tc.kept) << tc.name;
}

INSTANTIATE_TEST_SUITE_P(Images, BorderTrimCases, ::testing::Range(0, int(trimCases().size())));

LayerPtr rectLayer(const QRectF& r, bool locked = false) {
    auto l = std::make_shared<RectLayer>();
    l->rect = r;
    l->color = Qt::red;
    l->isLocked = locked;
    return l;
}

TEST(EditorTrimBorders, OneStepThatKeepsLayersOverTheSamePixels) {
    const QImage inner = content(60, 40);
    const QImage capture = framed(inner, 20, 20, 20, 20, Qt::white, Qt::white, Qt::white, Qt::white);
    EditorVM vm(capture);
    const LayerPtr box = rectLayer(QRectF(30, 25, 10, 10));
    const LayerPtr locked = rectLayer(QRectF(50, 40, 5, 5), true);
    const auto fill = std::make_shared<FillLayer>();
    vm.addLayers({box, locked, fill});
    vm.commitCrop(QRectF(10, 10, 50, 50));
    vm.selectLayer(box);
    const int stepsBefore = int(vm.undoStack().size());

    ASSERT_TRUE(EditorMenuCommand::isEnabled(vm, QStringLiteral("trimBorders:")));
    ASSERT_TRUE(EditorMenuCommand::perform(vm, QStringLiteral("trimBorders:")));

    EXPECT_EQ(vm.baseImage(), inner);
    EXPECT_EQ(int(vm.undoStack().size()), stepsBefore + 1);
    ASSERT_EQ(vm.layers().size(), 3);
    EXPECT_EQ(vm.layers()[0]->bounds(), box->bounds().translated(-20, -20));
    EXPECT_EQ(vm.layers()[1]->bounds(), locked->bounds().translated(-20, -20));
    EXPECT_TRUE(vm.layers()[1]->isLocked);
    // The visible area follows the pixels and is limited to what is left.
    EXPECT_EQ(vm.canvasRect(), QRectF(0, 0, 40, 40));
    EXPECT_FALSE(vm.selectedLayer());
    // Nothing more to trim: the content has no border of its own.
    EXPECT_FALSE(vm.canTrimBorders());
    EXPECT_FALSE(vm.trimBorders());
    EXPECT_EQ(int(vm.undoStack().size()), stepsBefore + 1);

    // Undone, the visible area is the one chosen before (what an undo restores besides is the
    // history's random-edit test).
    vm.undo();
    EXPECT_EQ(vm.canvasRect(), QRectF(10, 10, 50, 50));
    EXPECT_TRUE(vm.canTrimBorders());
}

} // namespace
} // namespace mebo
