#include "library/ThumbnailCache.h"
#include "support/Drawing.h"
#include "support/TestUtil.h"

#include <QImageReader>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

using namespace mebo;
using namespace mebo::test;

namespace {

class ThumbnailCacheTest : public ::testing::Test {
protected:
    ThumbnailCacheTest() : cache(std::make_unique<ThumbnailCache>(tmp.path() + "/cache/thumbnails")) {}
    ~ThumbnailCacheTest() override { settle(); }
    // Waits for the file and for the main-thread side of the write.
    void settle() {
        cache->waitForPending();
        drainEvents();
    }
    QTemporaryDir tmp;
    std::unique_ptr<ThumbnailCache> cache;
};

} // namespace

TEST_F(ThumbnailCacheTest, MakeWritesAJpegThatFitsTheMaximumEdge) {
    QSignalSpy ready(cache.get(), &ThumbnailCache::thumbnailReady);
    struct Case {
        const char* name;
        QSize source;
        QSize expected;
    };
    const Case cases[] = {{"wide.jpg", {1000, 500}, {320, 160}},
                          {"tall.jpg", {200, 800}, {80, 320}},
                          {"small.jpg", {100, 40}, {100, 40}}}; // never enlarged
    for (const Case& c : cases) {
        cache->make(c.name, canvas(c.source.width(), c.source.height(), Qt::red));
    }
    settle();
    for (const Case& c : cases) {
        QImageReader reader(cache->pathFor(c.name));
        EXPECT_EQ(reader.format(), "jpeg") << c.name;
        EXPECT_EQ(reader.read().size(), c.expected) << c.name;
        EXPECT_TRUE(cache->isInMemory(c.name)) << c.name;
        EXPECT_EQ(cache->thumbnail(c.name).size(), c.expected) << c.name;
    }
    EXPECT_EQ(ready.count(), 3);
}

TEST_F(ThumbnailCacheTest, TransparentCapturesAreFlattenedOnWhite) {
    cache->make("clear.jpg", canvas(50, 50));
    settle();
    const QImage onDisk(cache->pathFor("clear.jpg"));
    ASSERT_FALSE(onDisk.isNull());
    EXPECT_GT(qGray(onDisk.pixel(25, 25)), 245);
}

TEST_F(ThumbnailCacheTest, WritesStillInFlightRespectDropAndClear) {
    QSignalSpy ready(cache.get(), &ThumbnailCache::thumbnailReady);
    cache->make("dropped.jpg", canvas(2000, 2000, Qt::gray));
    cache->make("cleared.jpg", canvas(2000, 2000, Qt::gray));
    cache->drop("dropped.jpg");
    cache->clear();
    settle();
    EXPECT_FALSE(QFileInfo::exists(cache->pathFor("dropped.jpg")));
    EXPECT_FALSE(cache->isInMemory("dropped.jpg"));
    EXPECT_TRUE(QFileInfo::exists(cache->pathFor("cleared.jpg"))); // the item still exists
    EXPECT_FALSE(cache->isInMemory("cleared.jpg"));
    EXPECT_EQ(ready.count(), 1);
}

TEST_F(ThumbnailCacheTest, DestroyingTheCacheWaitsForItsWrites) {
    cache->make("late.jpg", canvas(1500, 1500, Qt::yellow));
    const QString path = cache->pathFor("late.jpg");
    cache.reset();
    EXPECT_TRUE(QFileInfo::exists(path));
    drainEvents(); // the completion finds no cache
    cache = std::make_unique<ThumbnailCache>(tmp.path() + "/cache/thumbnails");
    EXPECT_EQ(cache->thumbnail("late.jpg").size(), QSize(320, 320));
}
