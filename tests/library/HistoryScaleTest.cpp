#include "HistoryFixture.h"

#include "capture/CaptureScale.h"

using namespace mebo;
using namespace mebo::test;

namespace {

CaptureResult tagged(int scale, QSize size) {
    CaptureResult r;
    r.image = QImage(size, QImage::Format_RGB32);
    r.image.fill(Qt::darkCyan);
    if (scale > 0) {
        CaptureScale::tag(r.image, scale);
    }
    r.mode = CaptureMode::area;
    r.captureDate = QDateTime(QDate(2025, 3, 14), QTime(9, 30, 5), Qt::UTC);
    return r;
}

} // namespace

using HistoryScale = HistoryFixture;

// The display scale rides on the capture's pixel density into the entry and the index file's
// bytes; an image nobody tagged counts as 1x.
TEST_F(HistoryScale, AddedEntriesCarryTheCapturesScaleIntoTheIndexBytes) {
    makeStore();
    store->load();
    const struct {
        int tag;
        int expected;
    } cases[] = {{2, 2}, {1, 1}, {3, 3}, {0, 1}};
    int n = 0;
    for (const auto& c : cases) {
        const QString name = QStringLiteral("shot-%1.png").arg(n++);
        const HistoryEntry e = store->add(touch(name), tagged(c.tag, {40, 20}));
        EXPECT_EQ(e.displayScale, c.expected) << "tag " << c.tag;
        const QByteArray bytes = rawIndex();
        // Newest first, keys sorted: the scale sits between the date and the file name.
        const QByteArray expected = "        \"createdAt\": \"2025-03-14T09:30:05Z\",\n"
                                    "        \"displayScale\": " +
                                    QByteArray::number(c.expected) +
                                    ",\n"
                                    "        \"filename\": \"" +
                                    name.toUtf8() + "\",\n";
        EXPECT_TRUE(bytes.contains(expected)) << bytes.left(400).toStdString();
        EXPECT_EQ(bytes.indexOf(expected), 8) << "the newest entry comes first";
    }
    // Read back by a new store, as the command line and the running application do.
    destroyStore();
    makeStore();
    store->load();
    ASSERT_TRUE(waitIdle());
    QList<std::optional<int>> scales;
    for (const HistoryEntry& e : store->entries()) {
        scales << e.displayScale;
    }
    EXPECT_EQ(scales, (QList<std::optional<int>>{1, 3, 1, 2}));
}
