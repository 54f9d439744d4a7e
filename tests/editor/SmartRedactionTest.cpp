#include "editor/SmartRedaction.h"

#include "document/MosaicLayer.h"
#include "editor/EditorVM.h"
#include "editor/ToolStyles.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

DetectedPII item(DetectedPII::Kind kind, QRect box) {
    DetectedPII d;
    d.id = QUuid::createUuid();
    d.kind = kind;
    d.boundingBox = box;
    return d;
}

TEST(SmartRedactionTest, CheckedItemsBecomeMosaicsInTheToolsStyleAsOneUndoStep) {
    QImage base(200, 100, QImage::Format_RGB32);
    base.fill(Qt::white);
    ToolStyles styles;
    styles.mosaic.style = MosaicStyle::solid;
    styles.mosaic.solidColor = QColor(10, 20, 30);
    EditorVM editor(base, styles);

    SmartRedaction::apply(editor, {});
    EXPECT_FALSE(editor.canUndo()); // nothing checked: no change

    SmartRedaction::apply(editor, {item(DetectedPII::Kind::email, QRect(10, 10, 50, 12)),
                                   item(DetectedPII::Kind::phone, QRect(10, 40, 60, 12))});
    ASSERT_EQ(editor.layers().size(), 2);
    const auto mosaic = std::dynamic_pointer_cast<MosaicLayer>(editor.layers()[1]);
    ASSERT_TRUE(mosaic);
    EXPECT_EQ(mosaic->rect, QRectF(10, 40, 60, 12));
    EXPECT_EQ(mosaic->shadow, ShadowStyle::soft);
    // The covered pixels are gone from the picture, in the tool's colour.
    EXPECT_EQ(editor.flattened().pixel(30, 45), qRgb(10, 20, 30));
    EXPECT_EQ(editor.flattened().pixel(30, 15), qRgb(10, 20, 30));

    editor.undo();
    EXPECT_TRUE(editor.layers().isEmpty());
    EXPECT_FALSE(editor.canUndo());
}

} // namespace
} // namespace mebo
