#include "HistoryFixture.h"

#include "library/HistoryListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QThreadPool>
#include <cmath>
#include <limits>

using namespace mebo;
using namespace mebo::test;

namespace {

// The model checked by Qt's own consistency tester for every change it reports.
class HistoryListModelTest : public HistoryFixture {
protected:
    // The store over the folder as the test prepared it, and the model over the store.
    void openModel() {
        openStore();
        model = std::make_unique<HistoryListModel>(*store, *thumbs);
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    ~HistoryListModelTest() override {
        tester.reset();
        model.reset();
    }
    QStringList rowIds() const {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r) {
            out << model->data(model->index(r), HistoryListModel::IdRole).toString();
        }
        return out;
    }
    QVariant role(int row, int r) const { return model->data(model->index(row), r); }
    QString savePng(const QString& name, QColor colour, QSize size = {64, 48}) {
        QImage img(size, QImage::Format_RGB32);
        img.fill(colour);
        const QString path = lib + QLatin1Char('/') + name;
        EXPECT_TRUE(img.save(path, "PNG"));
        return path;
    }

    std::unique_ptr<HistoryListModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

// ---- roles ----

TEST_F(HistoryListModelTest, RowsAreTheStoreNewestFirstWithEveryRole) {
    HistoryEntry image = entry("IMG", "mebo-20250314-090300-000.png", 3);
    image.tags = {"Bug", "login"};
    image.widthPx = 1920;
    image.heightPx = 1080;
    HistoryEntry video = entry("VID", "rec.mp4", 2, "video");
    video.durationSec = 65.9;
    HistoryEntry external = entry("EXT", tmp.path() + "/out/ext.png", 1);
    for (const char* f : {"mebo-20250314-090300-000.png", "mebo-20250314-090300-000.mebo", "rec.mp4"}) {
        touch(f);
    }
    touch(tmp.path() + "/out/ext.png");
    writeIndex({image, video, external});
    openModel();

    EXPECT_EQ(rowIds(), (QStringList{"IMG", "VID", "EXT"}));
    // The title is the file's name without its extension; the time is local.
    EXPECT_EQ(role(0, Qt::DisplayRole).toString(), "mebo-20250314-090300-000");
    EXPECT_EQ(role(0, HistoryListModel::TimeTextRole).toString(),
              at(3).toLocalTime().toString("yyyy-MM-dd HH:mm"));
    EXPECT_TRUE(role(0, HistoryListModel::HasSidecarRole).toBool()); // the ".mebo" is on disk
    EXPECT_FALSE(role(0, HistoryListModel::DurationSecRole).isValid());
    EXPECT_EQ(role(0, HistoryListModel::FilePathRole).toString(), lib + "/mebo-20250314-090300-000.png");
    const QString tip = role(0, Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.contains("1920 × 1080") && tip.contains("Bug, login")) << tip.toStdString();

    EXPECT_TRUE(role(1, HistoryListModel::IsVideoRole).toBool());
    EXPECT_EQ(role(1, HistoryListModel::DurationTextRole).toString(), "1:05");
    EXPECT_FALSE(role(1, HistoryListModel::HasSidecarRole).toBool());
    EXPECT_EQ(role(2, HistoryListModel::FilePathRole).toString(), tmp.path() + "/out/ext.png");
    EXPECT_EQ(role(2, HistoryListModel::TitleRole).toString(), "ext");

    EXPECT_FALSE(role(3, HistoryListModel::IdRole).isValid()); // past the end
    EXPECT_FALSE(model->entryAt(3));
    EXPECT_EQ(model->rowOf("EXT"), 2);
    EXPECT_EQ(model->rowOf("nope"), -1);
}

TEST(HistoryListModelText, DurationIsMinutesAndWholeSeconds) {
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    // Minutes are not wrapped into hours; nonsense reads as nothing.
    const std::pair<double, const char*> cases[] = {{0.0, "0:00"},  {5.99, "0:05"},    {59.999, "0:59"},
                                                    {60.0, "1:00"}, {3725.0, "62:05"}, {-3.0, "0:00"},
                                                    {nan, "0:00"},  {inf, "0:00"}};
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(HistoryListModel::durationText(seconds), text) << seconds;
    }
}

// ---- following the store ----

TEST_F(HistoryListModelTest, CapturesInsertAtTheTopAndDeletesRemoveOneRowWithoutResets) {
    fiveImages();
    openModel();
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);

    const HistoryEntry added = store->add(touch("new.png"), shot(at(9), {40, 30}));
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0].mid(1), (QVariantList{0, 0}));
    EXPECT_EQ(rowIds(), (QStringList{added.id, "e5", "e4", "e3", "e2", "e1"}));

    store->deleteEntry(store->entries().at(2)); // e4
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed[0].mid(1), (QVariantList{2, 2}));
    EXPECT_EQ(rowIds(), (QStringList{added.id, "e5", "e3", "e2", "e1"}));

    // An edit in place (tags) is one changed row.
    changed.clear();
    HistoryEntry e3 = store->entries().at(2);
    e3.tags = {"release"};
    ASSERT_TRUE(store->updateEntry(e3));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 2);
    EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), 2);
    EXPECT_EQ(role(2, HistoryListModel::TagsRole).toStringList(), QStringList{"release"});
    EXPECT_EQ(resets.size(), 0);
    EXPECT_EQ(inserted.size(), 1);
}

// ---- filter ----

TEST_F(HistoryListModelTest, FilterMatchesTagsAndFileNamesIgnoringCaseAndFollowsChanges) {
    HistoryEntry a = entry("A", "login-page.png", 4);
    HistoryEntry b = entry("B", "shot-b.png", 3);
    b.tags = {"Bug", "checkout"};
    HistoryEntry c = entry("C", "shot-c.png", 2);
    c.tags = {"Release notes"};
    HistoryEntry d = entry("D", "other.png", 1);
    for (const char* f : {"login-page.png", "shot-b.png", "shot-c.png", "other.png"}) {
        touch(f);
    }
    writeIndex({a, b, c, d});
    openModel();
    QSignalSpy counts(model.get(), &HistoryListModel::countChanged);

    // Inside a name or a tag; every word must match, in the name or a tag.
    const std::pair<const char*, QStringList> cases[] = {{"SHOT", {"B", "C"}},
                                                         {"bug", {"B"}},
                                                         {"notes", {"C"}},
                                                         {"  shot   CHECKOUT ", {"B"}},
                                                         {"png", {"A", "B", "C", "D"}},
                                                         {"nothing-like-this", {}}};
    for (const auto& [filter, expected] : cases) {
        model->setFilter(filter);
        EXPECT_EQ(rowIds(), expected) << filter;
    }
    EXPECT_EQ(model->totalCount(), 4);
    EXPECT_GE(counts.size(), 6);

    // While filtered, store changes show only when they match.
    model->setFilter("bug");
    const HistoryEntry plain = store->add(touch("plain.png"), shot(at(9)));
    EXPECT_EQ(rowIds(), QStringList{"B"});
    HistoryEntry tagged = plain;
    tagged.tags = {"bug"};
    store->updateEntry(tagged);
    EXPECT_EQ(rowIds(), (QStringList{plain.id, "B"}));
    store->updateEntry(plain); // tag removed again: leaves the filtered rows
    EXPECT_EQ(rowIds(), QStringList{"B"});

    model->setFilter("");
    EXPECT_EQ(rowIds(), (QStringList{plain.id, "A", "B", "C", "D"}));
}

// ---- thumbnails ----

TEST_F(HistoryListModelTest, ThumbnailsComeFromTheCacheAndUpdateTheirRowWhenReady) {
    openModel();
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    const HistoryEntry e = store->add(savePng("a.png", Qt::red, {640, 320}), shot(at(1), {640, 320}));
    // While the cache is making it there is none, and no second one is made from the file.
    EXPECT_TRUE(thumbs->isPending(e.thumbnailName));
    EXPECT_TRUE(role(0, HistoryListModel::ThumbnailRole).value<QImage>().isNull());
    thumbs->waitForPending();
    drainEvents();
    EXPECT_FALSE(thumbs->isPending(e.thumbnailName));
    ASSERT_GE(changed.size(), 1);
    EXPECT_EQ(changed.last()[0].value<QModelIndex>().row(), 0);
    EXPECT_TRUE(changed.last()[2].value<QList<int>>().contains(HistoryListModel::ThumbnailRole));
    EXPECT_EQ(role(0, HistoryListModel::ThumbnailRole).value<QImage>().size(), QSize(320, 160));
}

TEST_F(HistoryListModelTest, AMissingThumbnailIsMadeAgainFromTheImageButNotFromAVideo) {
    savePng("old.png", Qt::green, {160, 40}); // smaller than a thumbnail: kept at its size
    touch("rec.mp4");
    HistoryEntry video = entry("VID", "rec.mp4", 2, "video");
    writeIndex({video, entry("OLD", "old.png", 1)});
    openModel();
    ASSERT_FALSE(QFileInfo::exists(thumbs->pathFor("OLD.jpg")));

    EXPECT_TRUE(role(1, HistoryListModel::ThumbnailRole).value<QImage>().isNull());
    ASSERT_TRUE(
        waitUntil([&] { return !role(1, HistoryListModel::ThumbnailRole).value<QImage>().isNull(); }));
    const QImage thumb = role(1, HistoryListModel::ThumbnailRole).value<QImage>();
    EXPECT_EQ(thumb.size(), QSize(160, 40));
    EXPECT_GT(thumb.pixelColor(80, 20).green(), 200);
    EXPECT_TRUE(QFileInfo::exists(thumbs->pathFor("OLD.jpg")));

    EXPECT_TRUE(role(0, HistoryListModel::ThumbnailRole).value<QImage>().isNull());
    thumbs->waitForPending();
    drainEvents();
    EXPECT_TRUE(role(0, HistoryListModel::ThumbnailRole).value<QImage>().isNull());
    EXPECT_FALSE(QFileInfo::exists(thumbs->pathFor("VID.jpg")));
}

TEST_F(HistoryListModelTest, AThumbnailReadBackAfterTheModelIsGoneIsDropped) {
    savePng("old.png", Qt::green, {900, 300});
    writeIndex({entry("OLD", "old.png", 1)});
    openModel();
    EXPECT_TRUE(role(0, HistoryListModel::ThumbnailRole).value<QImage>().isNull()); // starts the read
    tester.reset();
    model.reset();
    QThreadPool::globalInstance()->waitForDone();
    drainEvents();
    thumbs->waitForPending();
    EXPECT_FALSE(QFileInfo::exists(thumbs->pathFor("OLD.jpg")));
}
