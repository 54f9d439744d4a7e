#include "ui/WidgetDialogs.h"

#include "support/Widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using test::shownWindow;

// The alert's text is short: the box is still wide enough for its title.
TEST(WidgetDialogsTest, AlertAnswersTheChosenButtonOnceWithoutBlocking) {
    WidgetDialogs dialogs;
    QList<int> answers;
    dialogs.alert(
        QStringLiteral("Screen Recording Permission Required"), QStringLiteral("text"),
        {QStringLiteral("Open Settings"), QStringLiteral("Quit & Reopen"), QStringLiteral("Cancel")},
        [&](int i) { answers << i; });
    EXPECT_TRUE(answers.isEmpty()); // it returned while the alert is up
    QMessageBox* box = shownWindow<QMessageBox>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Screen Recording Permission Required"));
    EXPECT_GE(box->width(), QFontMetrics(box->font()).horizontalAdvance(box->text()) + 120);
    EXPECT_EQ(box->buttons().size(), 3);
    EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Open Settings"));
    for (QAbstractButton* b : box->buttons()) {
        if (b->text() == QLatin1String("Quit & Reopen")) {
            b->click();
        }
    }
    ASSERT_TRUE(test::waitUntil([&] { return !answers.isEmpty(); }));
    test::drainEvents(); // a second answer would be queued behind the first
    EXPECT_EQ(answers, QList<int>{1});
}

TEST(WidgetDialogsTest, FolderChooserAnswersTheFolderOrNothing) {
    QTemporaryDir dir;
    WidgetDialogs dialogs;
    QList<std::optional<QString>> answers;
    dialogs.pickFolder(QStringLiteral("Choose a save folder"), dir.path(),
                       [&](std::optional<QString> f) { answers << f; });
    QFileDialog* picker = shownWindow<QFileDialog>();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(picker->labelText(QFileDialog::Accept), QStringLiteral("Choose"));
    picker->reject();
    ASSERT_TRUE(test::waitUntil([&] { return answers.size() == 1; }));
    EXPECT_FALSE(answers.first().has_value());

    dialogs.pickFolder(QStringLiteral("Choose a save folder"), dir.path(),
                       [&](std::optional<QString> f) { answers << f; });
    picker = shownWindow<QFileDialog>();
    ASSERT_NE(picker, nullptr);
    picker->selectFile(dir.path());
    static_cast<QDialog*>(picker)->accept();
    ASSERT_TRUE(test::waitUntil([&] { return answers.size() == 2; }));
    ASSERT_TRUE(answers.last().has_value());
    EXPECT_EQ(QDir(*answers.last()).canonicalPath(), QDir(dir.path()).canonicalPath());
}

} // namespace
} // namespace mebo
