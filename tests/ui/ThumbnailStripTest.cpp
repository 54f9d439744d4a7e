#include "library/HistoryFixture.h"

#include "library/HistoryListModel.h"
#include "support/Widgets.h"
#include "ui/HistoryItemActions.h"
#include "ui/HistoryView.h"
#include "ui/ThumbnailStrip.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTest>

namespace mebo {
namespace {

using test::drainEvents;
using test::HistoryFixture;
using test::menuAction;
using test::menuTexts;

// A library with real captures (PNG files, thumbnails made by the cache) and the widgets over it.
class LibraryWidgetsTest : public HistoryFixture {
protected:
    LibraryWidgetsTest() {
        makeStore();
        store->load();
    }
    ~LibraryWidgetsTest() override { thumbs->waitForPending(); }

    HistoryEntry addShot(const QString& name, const QColor& colour, int minute, QSize size = {320, 200}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = lib + QLatin1Char('/') + name;
        EXPECT_TRUE(image.save(path, "PNG"));
        CaptureResult result;
        result.image = image;
        result.mode = CaptureMode::area;
        result.captureDate = at(minute);
        return store->add(path, result);
    }
    void settle() {
        thumbs->waitForPending();
        drainEvents();
    }
    HistoryItemActions::RevealFile reveal() {
        return [this](const QString& path) { revealed << path; };
    }
    static QStringList rowIds(const HistoryListModel& model) {
        QStringList out;
        for (int r = 0; r < model.rowCount(); ++r) {
            out << model.data(model.index(r), HistoryListModel::IdRole).toString();
        }
        return out;
    }

    QStringList revealed;
};

TEST_F(LibraryWidgetsTest, TheMenuOpensRevealsAndMovesToTheTrashAndDeleteDoesTooInBothWidgets) {
    const HistoryEntry a = addShot("a.png", Qt::red, 1);
    const HistoryEntry b = addShot("b.png", Qt::green, 2);
    const HistoryEntry c = addShot("c.png", Qt::blue, 3);
    settle();
    ThumbnailStrip strip(*store, *thumbs, reveal());
    strip.show();
    HistoryView view(*store, *thumbs, reveal());
    view.show();
    QStringList opened;
    QObject::connect(&strip, &ThumbnailStrip::openRequested, [&](const HistoryEntry& e) { opened << e.id; });

    QMenu* menu = strip.actions()->makeMenu(b, strip.listView());
    EXPECT_EQ(menuTexts(*menu), (QStringList{"Open", "Show in Folder", "---", "Rename...", "Edit Tags...",
                                             "---", "Move to Trash"}));
    EXPECT_EQ(menu->defaultAction(), menuAction(*menu, "Open"));
    menuAction(*menu, "Open")->trigger();
    EXPECT_EQ(opened, QStringList{b.id});
    menuAction(*menu, "Show in Folder")->trigger();
    EXPECT_EQ(revealed, QStringList{lib + "/b.png"});

    menuAction(*menu, "Move to Trash")->trigger();
    delete menu;
    EXPECT_EQ(rowIds(*strip.model()), (QStringList{c.id, a.id}));
    EXPECT_EQ(rowIds(*view.model()), (QStringList{c.id, a.id}));
    EXPECT_EQ(view.countLabel()->text(), "2 captures");

    // Delete in the grid, then in the strip (what goes with an item is the store's test).
    view.listView()->setCurrentIndex(view.model()->index(1));
    QTest::keyClick(view.listView(), Qt::Key_Delete);
    EXPECT_EQ(indexIds(), QStringList{c.id});
    strip.listView()->setCurrentIndex(strip.model()->index(0));
    QTest::keyClick(strip.listView(), Qt::Key_Delete);
    EXPECT_TRUE(indexIds().isEmpty());
    EXPECT_TRUE(strip.emptyLabel()->isVisible());
    EXPECT_EQ(view.countLabel()->text(), "0 captures");

    // A file that is gone cannot be shown in the folder.
    const HistoryEntry d = addShot("d.png", Qt::gray, 4);
    QFile::remove(lib + "/d.png");
    QMenu* gone = view.actions()->makeMenu(d, view.listView());
    EXPECT_FALSE(menuAction(*gone, "Show in Folder")->isEnabled());
    delete gone;
}

TEST_F(LibraryWidgetsTest, EditedTagsPersistInTheIndexAndTheFilterFindsThem) {
    addShot("login-form.png", Qt::red, 1);
    const HistoryEntry b = addShot("dashboard.png", Qt::green, 2);
    const HistoryEntry c = addShot("settings.png", Qt::blue, 3);
    settle();
    HistoryView view(*store, *thumbs, reveal());
    view.resize(700, 400);
    view.show();

    QDialog* dialog = view.actions()->editTags(b, &view);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    auto* field = dialog->findChild<QLineEdit*>("tagsField");
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text(), "");
    field->setText(" Bug, release 2 ,, bug,UX ");
    dialog->accept();
    // In the store (its index on disk after `mebo history tag` is the desktop restart test's).
    EXPECT_EQ(store->entries().at(1).tags, (QStringList{"Bug", "release 2", "UX"}));

    // The dialog shows the current tags; Cancel changes nothing.
    dialog = view.actions()->editTags(store->entries().at(1), &view);
    field = dialog->findChild<QLineEdit*>("tagsField");
    EXPECT_EQ(field->text(), "Bug, release 2, UX");
    field->setText("other");
    dialog->reject();
    EXPECT_EQ(store->entries().at(1).tags, (QStringList{"Bug", "release 2", "UX"}));
    drainEvents(); // the closed dialogs delete themselves

    // How the filter matches is the model's (tested there); typing reaches it.
    QTest::keyClicks(view.filterField(), "ux");
    EXPECT_EQ(rowIds(*view.model()), QStringList{b.id});
    EXPECT_EQ(view.countLabel()->text(), "1 of 3 captures");
    view.filterField()->setText("nothing here");
    EXPECT_TRUE(view.emptyLabel()->isVisible());
    EXPECT_EQ(view.emptyLabel()->text(), "No captures match “nothing here”");

    // A tag set on an item that has left the library changes nothing.
    store->deleteEntry(store->entries().at(0));
    EXPECT_FALSE(view.actions()->setTags(c.id, {"late"}));
}

// The dialog's own case above shows trimming and empties; repeats ignore case and inner spaces.
TEST(HistoryItemActionsText, TagsAreTrimmedWithoutEmptiesOrRepeats) {
    EXPECT_EQ(HistoryItemActions::parseTags(" , ,"), QStringList{});
    EXPECT_EQ(HistoryItemActions::parseTags("Bug, BUG, bug fix,  bug   fix "),
              (QStringList{"Bug", "bug fix"}));
    EXPECT_EQ(HistoryView::countText(1, 1, false), "1 capture");
}

} // namespace
} // namespace mebo
