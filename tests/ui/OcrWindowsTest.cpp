#include "editor/EditorVM.h"
#include "editor/OcrResultWindowModel.h"
#include "editor/SmartRedactReview.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"
#include "ui/OcrResultWindow.h"
#include "ui/SmartRedactSheet.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace mebo {
namespace {

TEST(OcrResultWindowTest, JoinLinesIsOneUndoAndButtonsFollowTheCallbacks) {
    test::FakeClipboard clipboard;
    OcrResultWindowModel model(&clipboard);
    OcrResultWindow window(model);
    int regions = 0;
    model.show(
        QStringLiteral("first line\nsecond line"), [&] { ++regions; }, nullptr);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.textView()->toPlainText(), QStringLiteral("first line\nsecond line"));
    EXPECT_EQ(window.statusLabel()->text(), QStringLiteral("22 characters, 2 lines"));
    EXPECT_FALSE(window.button(QStringLiteral("Select Region..."))->isHidden());
    EXPECT_TRUE(window.button(QStringLiteral("Overlay"))->isHidden());

    window.button(QStringLiteral("Join Lines"))->click();
    EXPECT_EQ(window.textView()->toPlainText(), QStringLiteral("first line second line"));
    EXPECT_EQ(window.statusLabel()->text(), QStringLiteral("Joined to single line"));
    window.textView()->undo();
    EXPECT_EQ(window.textView()->toPlainText(), QStringLiteral("first line\nsecond line"));
    EXPECT_EQ(model.text(), QStringLiteral("first line\nsecond line")); // Copy All copies what is shown

    // The user's edits are what Copy All copies.
    window.textView()->setPlainText(QStringLiteral("edited"));
    window.button(QStringLiteral("Copy All"))->click();
    EXPECT_EQ(clipboard.formats.value("text/plain"), QByteArray("edited"));

    window.button(QStringLiteral("Select Region..."))->click();
    EXPECT_EQ(regions, 1);
    window.button(QStringLiteral("Close"))->click();
    EXPECT_FALSE(window.isVisible());
    model.show(QString(), nullptr, [](const QString&) {});
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.statusLabel()->text(), QStringLiteral("No text recognized in image"));
    EXPECT_TRUE(window.button(QStringLiteral("Select Region..."))->isHidden());
    EXPECT_FALSE(window.button(QStringLiteral("Overlay"))->isHidden());
}

TEST(SmartRedactSheetTest, ListsItemsWithCheckBoxesAndAppliesTheCheckedOnes) {
    auto recognizer = std::make_shared<test::ScriptedRecognizer>();
    recognizer->lines = {
        test::recognisedLine(QStringLiteral("mail a.b@example.com"), QRectF(0.1, 0.8, 0.6, 0.05)),
        test::recognisedLine(QStringLiteral("ssn 078-05-1120"), QRectF(0.1, 0.5, 0.4, 0.05))};
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    EditorVM editor(image);
    SmartRedactReview review(editor, PIIDetector(recognizer, nullptr));
    SmartRedactSheet sheet(review);
    review.scan();
    EXPECT_EQ(sheet.titleLabel()->text(), QStringLiteral("Scanning for sensitive text..."));
    ASSERT_TRUE(test::waitUntil([&] { return !review.scanning(); }));
    EXPECT_EQ(sheet.titleLabel()->text(), QStringLiteral("Found 2 sensitive items."));
    ASSERT_EQ(sheet.list()->count(), 2);
    EXPECT_EQ(sheet.list()->item(0)->text(), QStringLiteral("Email   a***@****.com"));
    EXPECT_EQ(sheet.list()->item(1)->checkState(), Qt::Checked);

    sheet.list()->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(review.checkedCount(), 1);
    sheet.buttons()->button(QDialogButtonBox::Apply)->click();
    EXPECT_EQ(editor.layers().size(), 1);

    recognizer->lines.clear();
    review.scan();
    ASSERT_TRUE(test::waitUntil([&] { return !review.scanning(); }));
    EXPECT_EQ(sheet.titleLabel()->text(), QStringLiteral("No sensitive text was found."));
    EXPECT_TRUE(sheet.list()->isHidden());
    EXPECT_FALSE(sheet.buttons()->button(QDialogButtonBox::Apply)->isEnabled());
}

} // namespace
} // namespace mebo
