#include "library/HistoryFixture.h"

#include "library/HistoryListModel.h"
#include "ui/AppPalette.h"
#include "ui/HistoryItemActions.h"
#include "ui/HistoryItemDelegate.h"
#include "ui/HistoryView.h"
#include "ui/ThumbnailStrip.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QUuid>

namespace mebo {
namespace {

using test::drainEvents;
using test::HistoryFixture;

QDateTime at(int minute) {
    return QDateTime(QDate(2025, 3, 14), QTime(9, 0), Qt::UTC).addSecs(60 * minute);
}

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
    // A recording as the capture coordinator enters it, with its own thumbnail when `colour` is valid.
    HistoryEntry addVideo(const QString& name, const QColor& colour, int minute, double seconds) {
        HistoryEntry e = entry(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(), name, minute,
                               QStringLiteral("video"));
        e.durationSec = seconds;
        touch(name);
        if (colour.isValid()) {
            QImage frame(320, 200, QImage::Format_RGB32);
            frame.fill(colour);
            thumbs->make(e.thumbnailName, frame);
        }
        store->addEntry(e);
        return e;
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
    static QAction* action(QMenu* menu, const QString& text) {
        for (QAction* a : menu->actions()) {
            if (a->text() == text) {
                return a;
            }
        }
        return nullptr;
    }

    QStringList revealed;
};

// ---- what the strip and the view show ----

TEST_F(LibraryWidgetsTest, StripAndViewShowCapturesNewestFirstWithThumbnailsAndNewOnesOnTop) {
    ThumbnailStrip strip(*store, *thumbs, reveal());
    strip.setPalette(AppPalette::light());
    strip.resize(ThumbnailStrip::kWidth, 640);
    strip.show();
    HistoryView view(*store, *thumbs, reveal());
    view.setPalette(AppPalette::dark());
    view.resize(760, 520);
    view.show();

    // Empty: the hint in the placeholder colour, no count.
    EXPECT_TRUE(strip.emptyLabel()->isVisible());
    EXPECT_EQ(strip.emptyLabel()->text(), "No captures yet");
    EXPECT_EQ(strip.emptyLabel()->foregroundRole(), QPalette::PlaceholderText);
    EXPECT_TRUE(view.emptyLabel()->isVisible());
    EXPECT_EQ(view.emptyLabel()->text(), "No captures yet");
    EXPECT_EQ(view.countLabel()->text(), "0 captures");
    EXPECT_GE(strip.width(), ThumbnailStrip::kWidth);

    const HistoryEntry red = addShot("red.png", QColor(220, 30, 30), 1);
    const HistoryEntry green = addShot("green.png", QColor(30, 180, 60), 2);
    const HistoryEntry blue = addShot("blue.png", QColor(30, 60, 220), 3);
    settle();
    EXPECT_FALSE(strip.emptyLabel()->isVisible());
    EXPECT_FALSE(view.emptyLabel()->isVisible());
    EXPECT_EQ(view.countLabel()->text(), "3 captures");
    EXPECT_EQ(rowIds(*strip.model()), (QStringList{blue.id, green.id, red.id}));
    EXPECT_EQ(rowIds(*view.model()), (QStringList{blue.id, green.id, red.id}));
    for (QListView* list : {strip.listView(), view.listView()}) {
        EXPECT_TRUE(near(pictureColour(list, 0), QColor(30, 60, 220))) << describe(pictureColour(list, 0));
        EXPECT_TRUE(near(pictureColour(list, 1), QColor(30, 180, 60))) << describe(pictureColour(list, 1));
        EXPECT_TRUE(near(pictureColour(list, 2), QColor(220, 30, 30))) << describe(pictureColour(list, 2));
        // The corners are rounded: the picture's very corner pixel is not the capture's colour.
        EXPECT_FALSE(near(pictureColour(list, 0, {0, 0}), QColor(30, 60, 220), 40));
    }
    // The strip stacks its items; the view lays them out in rows.
    EXPECT_GT(strip.listView()->visualRect(strip.model()->index(1)).top(),
              strip.listView()->visualRect(strip.model()->index(0)).bottom());
    EXPECT_EQ(view.listView()->visualRect(view.model()->index(1)).top(),
              view.listView()->visualRect(view.model()->index(0)).top());

    // The item being edited is selected; a new capture goes on top and the selection stays with it.
    strip.setCurrentEntryId(green.id);
    EXPECT_EQ(strip.currentEntryId(), green.id);
    EXPECT_EQ(strip.listView()->currentIndex().row(), 1);
    const HistoryEntry yellow = addShot("yellow.png", QColor(240, 220, 40), 4);
    settle();
    EXPECT_EQ(rowIds(*strip.model()).first(), yellow.id);
    EXPECT_EQ(rowIds(*view.model()).first(), yellow.id);
    EXPECT_EQ(view.countLabel()->text(), "4 captures");
    ASSERT_EQ(strip.listView()->selectionModel()->selectedIndexes().size(), 1);
    EXPECT_EQ(strip.listView()->selectionModel()->selectedIndexes().first().row(), 2);
    EXPECT_TRUE(near(pictureColour(strip.listView(), 0), QColor(240, 220, 40)));
    strip.setCurrentEntryId(yellow.id);
    EXPECT_EQ(strip.listView()->currentIndex().row(), 0);
    // The ring of the item being edited is drawn just outside its picture.
    const QRect picture = pictureRect(strip.listView(), 0);
    const QImage shot = strip.listView()->viewport()->grab().toImage();
    const QColor ring = shot.pixelColor(picture.center().x(), picture.top() - 2);
    EXPECT_TRUE(near(ring, AppPalette::light().color(QPalette::Highlight), 40)) << describe(ring);
    keepGrab(strip, "strip-light");
    keepGrab(view, "history-dark");

    // With the scroll bar showing, every cell still fits beside it: no name is cut.
    strip.resize(strip.width(), 260);
    QCoreApplication::processEvents();
    EXPECT_TRUE(strip.listView()->verticalScrollBar()->isVisible());
    EXPECT_GE(strip.listView()->viewport()->width(),
              strip.listView()->visualRect(strip.model()->index(0)).right() + 1);
}

TEST_F(LibraryWidgetsTest, VideosShowThePlayBadgeAndAnnotatedItemsThePencil) {
    const QColor grey(200, 200, 200);
    const HistoryEntry silent = addVideo("silent.mp4", QColor(), 0, 3); // no thumbnail at all
    addShot("plain.png", grey, 1);
    const HistoryEntry video = addVideo("rec.mp4", grey, 2, 65.4);
    HistoryEntry annotated = addShot("annotated.png", grey, 3);
    settle();
    touch("annotated.mebo");
    annotated.hasMeboSidecar = true;
    ASSERT_TRUE(store->updateEntry(annotated));

    HistoryView view(*store, *thumbs, reveal());
    view.setPalette(AppPalette::light());
    view.resize(1000, 400);
    view.show();
    const HistoryListModel& model = *view.model();
    ASSERT_EQ(rowIds(model), (QStringList{annotated.id, video.id, store->entries().at(2).id, silent.id}));
    EXPECT_TRUE(model.data(model.index(1), HistoryListModel::IsVideoRole).toBool());
    EXPECT_EQ(model.data(model.index(1), HistoryListModel::DurationTextRole).toString(), "1:05");
    EXPECT_TRUE(model.data(model.index(0), HistoryListModel::HasSidecarRole).toBool());

    // Bottom left: the dark pill of the video badge; top right: the highlight disc.
    QListView* grid = view.listView();
    const int h = pictureRect(grid, 0).height();
    const int w = pictureRect(grid, 0).width();
    const QPoint pill(5 + 4, h - 5 - HistoryItemDelegate::kBadgeHeight / 2);
    const QPoint disc(w - 5 - HistoryItemDelegate::kBadgeHeight / 2 + 5,
                      5 + HistoryItemDelegate::kBadgeHeight / 2 + 5);
    EXPECT_LT(pictureColour(grid, 1, pill).lightness(), 110) << describe(pictureColour(grid, 1, pill));
    EXPECT_TRUE(near(pictureColour(grid, 0, pill), grey)) << describe(pictureColour(grid, 0, pill));
    EXPECT_TRUE(near(pictureColour(grid, 2, pill), grey)) << describe(pictureColour(grid, 2, pill));
    const QColor highlight = AppPalette::light().color(QPalette::Highlight);
    EXPECT_TRUE(near(pictureColour(grid, 0, disc), highlight, 40)) << describe(pictureColour(grid, 0, disc));
    EXPECT_TRUE(near(pictureColour(grid, 1, disc), grey)) << describe(pictureColour(grid, 1, disc));
    EXPECT_TRUE(near(pictureColour(grid, 2, disc), grey)) << describe(pictureColour(grid, 2, disc));
    // Without a thumbnail: a placeholder in the capture's proportions, with the badge all the same.
    const QRect placeholder = pictureRect(grid, 3);
    EXPECT_EQ(placeholder.size(), HistoryItemDelegate::fittedRect({640, 480}, QRect(0, 0, 200, 130)).size());
    EXPECT_EQ(pictureColour(grid, 3, {12, 12}), AppPalette::light().color(QPalette::Midlight));
    EXPECT_LT(pictureColour(grid, 3, {9, placeholder.height() - 14}).lightness(), 110);
    keepGrab(view, "history-badges-light");

    ThumbnailStrip strip(*store, *thumbs, reveal());
    strip.setPalette(AppPalette::dark());
    strip.resize(ThumbnailStrip::kWidth, 520);
    strip.show();
    strip.setCurrentEntryId(video.id);
    const QPoint stripPill(5 + 4, pictureRect(strip.listView(), 1).height() - 5 -
                                      HistoryItemDelegate::kBadgeHeight / 2);
    EXPECT_LT(pictureColour(strip.listView(), 1, stripPill).lightness(), 110);
    EXPECT_TRUE(near(pictureColour(strip.listView(), 2, stripPill), grey));
    keepGrab(strip, "strip-badges-dark");
}

// ---- opening, the menu, trash, tags ----

TEST_F(LibraryWidgetsTest, TheMenuOpensRevealsAndMovesToTheTrashAndDeleteDoesTooInBothWidgets) {
    const HistoryEntry a = addShot("a.png", Qt::red, 1);
    const HistoryEntry b = addShot("b.png", Qt::green, 2);
    const HistoryEntry c = addShot("c.png", Qt::blue, 3);
    settle();
    touch("b.mebo"); // b's annotations go with it
    ThumbnailStrip strip(*store, *thumbs, reveal());
    strip.show();
    HistoryView view(*store, *thumbs, reveal());
    view.show();
    QStringList opened;
    QObject::connect(&strip, &ThumbnailStrip::openRequested, [&](const HistoryEntry& e) { opened << e.id; });

    QMenu* menu = strip.actions()->makeMenu(b, strip.listView());
    QStringList texts;
    for (QAction* act : menu->actions()) {
        texts << (act->isSeparator() ? QStringLiteral("-") : act->text());
    }
    EXPECT_EQ(texts, (QStringList{"Open", "Show in Folder", "-", "Edit Tags...", "-", "Move to Trash"}));
    EXPECT_EQ(menu->defaultAction(), action(menu, "Open"));
    action(menu, "Open")->trigger();
    EXPECT_EQ(opened, QStringList{b.id});
    action(menu, "Show in Folder")->trigger();
    EXPECT_EQ(revealed, QStringList{lib + "/b.png"});

    action(menu, "Move to Trash")->trigger();
    delete menu;
    EXPECT_EQ(rowIds(*strip.model()), (QStringList{c.id, a.id}));
    EXPECT_EQ(rowIds(*view.model()), (QStringList{c.id, a.id}));
    EXPECT_EQ(view.countLabel()->text(), "2 captures");
    EXPECT_TRUE(QFileInfo::exists(trashed("b.png")));
    EXPECT_TRUE(QFileInfo::exists(trashed("b.mebo")));
    EXPECT_FALSE(exists("b.png"));
    EXPECT_EQ(indexIds(), (QStringList{c.id, a.id}));
    EXPECT_FALSE(QFileInfo::exists(thumbs->pathFor(b.thumbnailName)));

    // Delete in the grid, then in the strip.
    view.listView()->setCurrentIndex(view.model()->index(1));
    QTest::keyClick(view.listView(), Qt::Key_Delete);
    EXPECT_EQ(indexIds(), QStringList{c.id});
    EXPECT_TRUE(QFileInfo::exists(trashed("a.png")));
    strip.listView()->setCurrentIndex(strip.model()->index(0));
    QTest::keyClick(strip.listView(), Qt::Key_Delete);
    EXPECT_TRUE(indexIds().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(trashed("c.png")));
    EXPECT_TRUE(strip.emptyLabel()->isVisible());
    EXPECT_EQ(view.countLabel()->text(), "0 captures");

    // A file that is gone cannot be shown in the folder.
    const HistoryEntry d = addShot("d.png", Qt::gray, 4);
    QFile::remove(lib + "/d.png");
    QMenu* gone = view.actions()->makeMenu(d, view.listView());
    EXPECT_FALSE(action(gone, "Show in Folder")->isEnabled());
    delete gone;
}

TEST_F(LibraryWidgetsTest, EditedTagsPersistInTheIndexAndTheFilterFindsThem) {
    const HistoryEntry a = addShot("login-form.png", Qt::red, 1);
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
    EXPECT_EQ(store->entries().at(1).tags, (QStringList{"Bug", "release 2", "UX"}));
    QString error;
    const auto onDisk = HistoryStore::decodeIndex(rawIndex(), &error);
    ASSERT_TRUE(onDisk) << error.toStdString();
    EXPECT_EQ(onDisk->at(1).id, b.id);
    EXPECT_EQ(onDisk->at(1).tags, (QStringList{"Bug", "release 2", "UX"}));

    // The dialog shows the current tags; Cancel changes nothing.
    dialog = view.actions()->editTags(store->entries().at(1), &view);
    field = dialog->findChild<QLineEdit*>("tagsField");
    EXPECT_EQ(field->text(), "Bug, release 2, UX");
    field->setText("other");
    dialog->reject();
    EXPECT_EQ(store->entries().at(1).tags, (QStringList{"Bug", "release 2", "UX"}));
    drainEvents(); // the closed dialogs delete themselves

    EXPECT_EQ(view.filterField()->placeholderText(), "Filter by name or tag");
    QTest::keyClicks(view.filterField(), "ux");
    EXPECT_EQ(rowIds(*view.model()), QStringList{b.id});
    EXPECT_EQ(view.countLabel()->text(), "1 of 3 captures");
    view.filterField()->setText("LOGIN");
    EXPECT_EQ(rowIds(*view.model()), QStringList{a.id});
    view.filterField()->setText("nothing here");
    EXPECT_EQ(view.model()->rowCount(), 0);
    EXPECT_TRUE(view.emptyLabel()->isVisible());
    EXPECT_EQ(view.emptyLabel()->text(), "No captures match “nothing here”");
    view.filterField()->clear();
    EXPECT_EQ(rowIds(*view.model()), (QStringList{c.id, b.id, a.id}));
    EXPECT_EQ(view.countLabel()->text(), "3 captures");
    EXPECT_FALSE(view.emptyLabel()->isVisible());

    // A tag set on an item that has left the library changes nothing.
    store->deleteEntry(store->entries().at(0));
    EXPECT_FALSE(view.actions()->setTags(c.id, {"late"}));
}

TEST(HistoryItemActionsText, TagsAreTrimmedWithoutEmptiesOrRepeats) {
    EXPECT_EQ(HistoryItemActions::parseTags(""), QStringList{});
    EXPECT_EQ(HistoryItemActions::parseTags(" , ,"), QStringList{});
    EXPECT_EQ(HistoryItemActions::parseTags("a, b ,,c"), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(HistoryItemActions::parseTags("Bug, BUG, bug fix,  bug   fix "),
              (QStringList{"Bug", "bug fix"}));
    EXPECT_EQ(HistoryView::countText(1, 1, false), "1 capture");
    EXPECT_EQ(HistoryView::countText(12, 12, false), "12 captures");
    EXPECT_EQ(HistoryView::countText(3, 12, true), "3 of 12 captures");
}

} // namespace
} // namespace mebo

namespace mebo {
namespace {

TEST_F(LibraryWidgetsTest, TagsShowAsChipsOnTheCards) {
    HistoryEntry tagged = addShot("tagged.png", QColor(30, 30, 30), 1);
    addShot("plain.png", QColor(30, 30, 30), 2);
    tagged.tags = {QStringLiteral("invoice"), QStringLiteral("march"), QStringLiteral("q1")};
    store->updateEntry(tagged);
    settle();
    HistoryView view(*store, *thumbs, reveal());
    view.setPalette(AppPalette::light());
    view.resize(760, 520);
    view.show();
    settle();
    const QColor chip = AppPalette::light().color(QPalette::Highlight);
    // A chip at the top left of the tagged picture; none on the plain one.
    EXPECT_TRUE(near(pictureColour(view.listView(), 1, {9, 8}), chip, 40))
        << describe(pictureColour(view.listView(), 1, {9, 8}));
    EXPECT_TRUE(near(pictureColour(view.listView(), 0, {9, 8}), QColor(30, 30, 30), 40));
    keepGrab(view, "history-tags-light");
}

TEST_F(LibraryWidgetsTest, RenameMovesTheFileAndItsProjectAndRefusesTakenNames) {
    const HistoryEntry a = addShot("first.png", Qt::red, 1);
    addShot("second.png", Qt::green, 2);
    touch(QStringLiteral("first.mebo"));
    settle();
    ThumbnailStrip strip(*store, *thumbs, reveal());
    strip.show();

    // A taken name or one with a slash is explained and nothing moves.
    for (const char* bad : {"second", "a/b", "  "}) {
        QDialog* dialog = strip.actions()->rename(a, &strip);
        auto* field = dialog->findChild<QLineEdit*>("nameField");
        ASSERT_TRUE(field);
        EXPECT_EQ(field->text(), (QStringLiteral("first")));
        field->setText(QString::fromLatin1(bad));
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(dialog->isVisible()) << bad;
        EXPECT_FALSE(dialog->findChild<QLabel*>("renameProblem")->text().isEmpty()) << bad;
        dialog->reject();
        EXPECT_TRUE(exists("first.png"));
    }
    QDialog* dialog = strip.actions()->rename(a, &strip);
    dialog->findChild<QLineEdit*>("nameField")->setText(QStringLiteral("login page"));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(exists("login page.png"));
    EXPECT_TRUE(exists("login page.mebo"));
    EXPECT_FALSE(exists("first.png"));
    EXPECT_EQ(store->entries().at(1).filename, QStringLiteral("login page.png"));
    EXPECT_TRUE(rawIndex().contains("login page.png"));
    drainEvents();
}

TEST_F(LibraryWidgetsTest, TheMenuOffersCopyExportAndPinWhenTheWindowDoes) {
    const HistoryEntry a = addShot("a.png", Qt::red, 1);
    ThumbnailStrip strip(*store, *thumbs, reveal());
    QStringList ran;
    auto record = [&ran](const char* what) {
        return [&ran, what](const HistoryEntry& e) {
            ran << QString::fromLatin1(what) + QLatin1Char(':') + e.filename;
        };
    };
    QMenu* plain = strip.actions()->makeMenu(a, strip.listView());
    EXPECT_FALSE(action(plain, "Copy"));
    delete plain;
    strip.actions()->setCommands({record("copy"), record("export"), record("pin")});
    QMenu* menu = strip.actions()->makeMenu(a, strip.listView());
    for (const char* title : {"Copy", "Export...", "Pin to Screen"}) {
        ASSERT_TRUE(action(menu, QString::fromLatin1(title))) << title;
        action(menu, QString::fromLatin1(title))->trigger();
    }
    EXPECT_TRUE(action(menu, "Rename..."));
    EXPECT_EQ(ran, (QStringList{"copy:a.png", "export:a.png", "pin:a.png"}));
    delete menu;
}

} // namespace
} // namespace mebo
