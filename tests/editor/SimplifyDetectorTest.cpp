#include "editor/SimplifyDetector.h"
#include "document/SimplifyLayer.h"
#include "editor/EditorVM.h"
#include "editor/SimplifyReview.h"
#include "support/Drawing.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"

#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using Kind = SimplifyProposal::Kind;
constexpr int W = 800, H = 600;

// A recogniser line over pixel rectangle `r` of the W x H picture (unit square, bottom-left).
platform::RecognizedTextLine lineAt(const QString& text, const QRect& r, double confidence = 0.8) {
    auto l = test::recognisedLine(text, QRectF(double(r.x()) / W, 1.0 - double(r.y() + r.height()) / H,
                                               double(r.width()) / W, double(r.height()) / H));
    l.confidence = confidence;
    return l;
}

void noise(QImage& img, const QRect& r, quint32 seed) {
    QRandomGenerator gen(seed);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            img.setPixel(x, y, qRgb(int(gen.bounded(256)), int(gen.bounded(256)), int(gen.bounded(256))));
        }
    }
}

// A small settings window: a title, a label, a text field, a blue button, an icon, a photo, a
// frame around a panel and a separator.
struct Screen {
    QImage image{W, H, QImage::Format_RGB32};
    QList<platform::RecognizedTextLine> lines;
    QRect button{560, 520, 120, 36}, field{200, 200, 300, 30}, icon{40, 40, 32, 32},
        photo{540, 140, 200, 140};

    Screen() {
        image.fill(QColor(246, 246, 246));
        QPainter p(&image);
        QFont f = p.font();
        f.setPixelSize(16);
        p.setFont(f);
        p.setPen(QColor(30, 30, 30));
        p.drawText(QRect(100, 44, 300, 24), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("General settings"));
        lines << lineAt(QStringLiteral("General settings"), QRect(100, 48, 140, 16), 0.95);
        p.drawText(QRect(40, 205, 150, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Name"));
        lines << lineAt(QStringLiteral("Name"), QRect(40, 208, 42, 15), 0.4); // a poor read
        p.fillRect(field, Qt::white);
        p.setPen(QColor(160, 160, 160));
        p.drawRect(field.adjusted(-1, -1, 0, 0));
        p.setPen(QColor(30, 30, 30));
        p.drawText(field.adjusted(8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Ada"));
        lines << lineAt(QStringLiteral("Ada"), QRect(208, 208, 30, 14));
        p.fillRect(button, QColor(20, 110, 230));
        p.setPen(Qt::white);
        p.drawText(button, Qt::AlignCenter, QStringLiteral("Save"));
        lines << lineAt(QStringLiteral("Save"), QRect(603, 530, 34, 15));
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(220, 40, 40));
        p.setPen(Qt::NoPen);
        p.drawEllipse(icon);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(190, 190, 190));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(20, 120, 760, 460)); // the panel's frame
        p.drawLine(20, 300, 500, 300);        // a separator
        p.end();
        noise(image, photo, 7);
    }

    const SimplifyProposal* find(const QList<SimplifyProposal>& found, Kind kind, const QRect& near) const {
        for (const SimplifyProposal& s : found) {
            if (s.kind == kind && (s.rect.intersected(near).width() * s.rect.intersected(near).height()) * 2 >
                                      near.width() * near.height()) {
                return &s;
            }
        }
        return nullptr;
    }
};

::testing::AssertionResult within(const QRect& a, const QRect& b, int px) {
    return test::rectNear(QRectF(a), QRectF(b), px);
}

TEST(SimplifyDetector, FindsEachKindOfObjectAndLeavesTheLayoutAlone) {
    const Screen s;
    const QList<SimplifyProposal> found = SimplifyDetector::propose(s.image, s.lines);

    const SimplifyProposal* button = s.find(found, Kind::button, s.button);
    ASSERT_TRUE(button);
    EXPECT_TRUE(within(button->rect, s.button, 2)) << button->rect.x() << "," << button->rect.y();
    EXPECT_EQ(button->fill, QColor(20, 110, 230));
    EXPECT_EQ(button->shape, MosaicShape::roundedRect);

    const SimplifyProposal* field = s.find(found, Kind::textField, s.field);
    ASSERT_TRUE(field);
    EXPECT_TRUE(within(field->rect, s.field, 2));
    EXPECT_GE(field->fill.lightness(), 250); // the field's white

    const SimplifyProposal* title = s.find(found, Kind::text, QRect(100, 48, 140, 16));
    ASSERT_TRUE(title);
    // A bar between the text's colour and its background.
    EXPECT_GT(title->fill.lightness(), 60);
    EXPECT_LT(title->fill.lightness(), 220);
    EXPECT_DOUBLE_EQ(title->confidence, 0.9); // clamped
    const SimplifyProposal* label = s.find(found, Kind::text, QRect(40, 208, 42, 15));
    ASSERT_TRUE(label);
    EXPECT_DOUBLE_EQ(label->confidence, 0.52);

    const SimplifyProposal* icon = s.find(found, Kind::icon, s.icon);
    ASSERT_TRUE(icon);
    EXPECT_TRUE(within(icon->rect, s.icon, 3));

    const SimplifyProposal* photo = s.find(found, Kind::image, s.photo);
    ASSERT_TRUE(photo);
    EXPECT_TRUE(within(photo->rect, s.photo, 2));

    // Nothing else: the frame, the separator and the flat background are the layout.
    EXPECT_EQ(found.size(), 6);
}

TEST(SimplifyDetector, NeverCoversMostOfThePicture) {
    QImage busy(W, H, QImage::Format_RGB32);
    noise(busy, busy.rect(), 3);
    // A text line in a photo belongs to the photo: nothing at all qualifies here.
    const QList<SimplifyProposal> found =
        SimplifyDetector::propose(busy, {lineAt(QStringLiteral("caption"), QRect(10, 10, 80, 16))});
    for (const SimplifyProposal& p : found) {
        EXPECT_LE(qint64(p.rect.width()) * p.rect.height(), qint64(W) * H * 4 / 10)
            << SimplifyProposal::label(p.kind).toStdString();
    }
    QImage flat(W, H, QImage::Format_RGB32);
    flat.fill(Qt::white);
    EXPECT_TRUE(SimplifyDetector::propose(flat, {}).isEmpty());
}

TEST(SimplifyDetector, ReviewTextsWarnOfFewOrUnsureObjects) {
    SimplifyProposal sure, unsure;
    sure.confidence = 0.9;
    unsure.confidence = 0.4;
    const QString weak = QStringLiteral(" Detection may be weak. Review before applying.");
    EXPECT_EQ(SimplifyDetector::reviewText(QList<SimplifyProposal>{}),
              QStringLiteral("No UI objects were found."));
    EXPECT_EQ(SimplifyDetector::reviewText(QList{sure, sure, sure}), QStringLiteral("Detected 3 objects."));
    EXPECT_EQ(SimplifyDetector::reviewText(QList{sure, sure}), QStringLiteral("Detected 2 objects.") + weak);
    EXPECT_EQ(SimplifyDetector::reviewText(QList{sure, unsure, unsure}),
              QStringLiteral("Detected 3 objects.") + weak);
}

TEST(SimplifyReview, ScansListsAndCoversTheCheckedObjectsAsOneStep) {
    const Screen s;
    auto recognizer = std::make_shared<test::ScriptedRecognizer>();
    recognizer->lines = s.lines;
    EditorVM editor(s.image);
    SimplifyReview review(editor, SimplifyDetector(recognizer));
    EXPECT_EQ(review.text(), QString());
    review.scan();
    EXPECT_TRUE(review.scanning());
    ASSERT_TRUE(test::waitUntil([&] { return !review.scanning(); }));
    EXPECT_FALSE(recognizer->onMainThread);
    EXPECT_EQ(review.text(), QStringLiteral("Detected 6 objects."));
    ASSERT_EQ(review.rowCount(), 6);
    EXPECT_EQ(review.checkedCount(), 6);
    EXPECT_TRUE(review.rowText(0).startsWith(QStringLiteral("Text   140x17 at 100, 48")))
        << review.rowText(0).toStdString();

    review.setChecked(0, false);
    review.apply();
    ASSERT_EQ(editor.layers().size(), 5);
    const auto* shape = dynamic_cast<const SimplifyLayer*>(editor.layers().first().get());
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->rect, QRectF(review.items()[1].rect));
    EXPECT_EQ(shape->fillColor, review.items()[1].fill);
    editor.undo();
    EXPECT_TRUE(editor.layers().isEmpty());

    recognizer->fail = true;
    review.scan();
    ASSERT_TRUE(test::waitUntil([&] { return !review.scanning(); }));
    EXPECT_EQ(review.text(), QStringLiteral("Simplify Auto could not scan this image."));
    EXPECT_EQ(review.rowCount(), 0);
}

} // namespace
} // namespace mebo
