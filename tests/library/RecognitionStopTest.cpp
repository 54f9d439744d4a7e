#include "library/HistoryFixture.h"
#include "library/LibraryTextIndex.h"
#include "library/LibraryTextIndexer.h"
#include "platform/tesseract/TesseractRecognizer.h"

#include <QDeadlineTimer>
#include <QPainter>
#include <QThread>

using namespace mebo;
using namespace mebo::test;

namespace {

// Reads until it is told to stop (ten seconds at most) and remembers whether it was.
class ReaderUntilStopped : public platform::StoppableTextRecognizer {
public:
    std::optional<QList<platform::RecognizedTextLine>> recognize(const QImage&, QString*) override {
        return QList<platform::RecognizedTextLine>{};
    }
    std::optional<QList<platform::RecognizedTextLine>> recognizeUntil(const QImage&, QString*,
                                                                      const std::atomic_bool& stop) override {
        started = true;
        const QDeadlineTimer limit(10000);
        while (!stop && !limit.hasExpired()) {
            QThread::msleep(5);
        }
        stopped = stop.load();
        return std::nullopt;
    }
    std::atomic_bool started = false;
    std::atomic_bool stopped = false;
};

class RecognitionStop : public HistoryFixture {};

TEST_F(RecognitionStop, AnIndexerGoingAwayStopsThePageBeingRead) {
    makeStore();
    store->load();
    auto reader = std::make_shared<ReaderUntilStopped>();
    {
        LibraryTextIndex index;
        LibraryTextIndexer indexer(*store, index, reader, nullptr, LibraryTextIndexer::Priority::normal);
        indexer.start();
        CaptureResult r;
        r.image = QImage(64, 32, QImage::Format_RGB32);
        r.image.fill(Qt::white);
        ASSERT_TRUE(r.image.save(lib + QStringLiteral("/page.png")));
        store->add(lib + QStringLiteral("/page.png"), r);
        ASSERT_TRUE(waitUntil([&] { return reader->started.load(); }, 30000));
    }
    EXPECT_TRUE(reader->stopped);
}

TEST(RecognitionStopTesseract, ReadsToTheEndUnlessStopped) {
    QImage image(420, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(18);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPoint(12, 38), QStringLiteral("Quarterly report approved"));
    p.end();
    platform::TesseractRecognizer tesseract;
    std::atomic_bool stop = false;
    QString error;
    const auto read = tesseract.recognizeUntil(image, &error, stop);
    ASSERT_TRUE(read) << error.toStdString();
    ASSERT_EQ(read->size(), 1);
    EXPECT_EQ(read->first().text, QStringLiteral("Quarterly report approved"));

    stop = true;
    EXPECT_FALSE(tesseract.recognizeUntil(image, &error, stop));
    EXPECT_EQ(error, QStringLiteral("text recognition stopped"));
}

} // namespace
