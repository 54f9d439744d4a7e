#include "library/HistoryFixture.h"
#include "library/LibraryTextIndex.h"
#include "library/LibraryTextIndexer.h"
#include "platform/tesseract/TesseractRecognizer.h"

#include <QDeadlineTimer>
#include <QThread>

using namespace mebo;
using namespace mebo::test;

namespace {

// Reads until it is told to stop (ten seconds at most) and remembers whether it was.
class ReaderUntilStopped : public platform::TextRecognizer {
public:
    std::optional<QList<platform::RecognizedTextLine>> recognize(const QImage&, QString*,
                                                                 const std::atomic_bool* stop) override {
        started = true;
        const QDeadlineTimer limit(10000);
        while (!(stop && *stop) && !limit.hasExpired()) {
            QThread::msleep(5);
        }
        stopped = stop && stop->load();
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
        const CaptureResult r = shot(QDateTime::currentDateTimeUtc(), {64, 32});
        ASSERT_TRUE(r.image.save(lib + QStringLiteral("/page.png")));
        store->add(lib + QStringLiteral("/page.png"), r);
        ASSERT_TRUE(waitUntil([&] { return reader->started.load(); }, 30000));
    }
    EXPECT_TRUE(reader->stopped);
}

TEST_F(RecognitionStop, TesseractGivesUpOnceStopped) {
    QImage page(200, 60, QImage::Format_RGB32);
    page.fill(Qt::white);
    const std::atomic_bool stop = true;
    QString error;
    EXPECT_FALSE(platform::TesseractRecognizer().recognize(page, &error, &stop));
    EXPECT_EQ(error, QStringLiteral("text recognition stopped"));
}

} // namespace
