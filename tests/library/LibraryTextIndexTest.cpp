#include "library/LibraryTextIndex.h"
#include "HistoryFixture.h"
#include "library/HistoryListModel.h"
#include "library/LibraryTextIndexer.h"
#include "platform/tesseract/TesseractRecognizer.h"
#include "support/Drawing.h"

using namespace mebo;
using namespace mebo::test;

namespace {

TEST(LibraryTextIndex, AWordMatchesWhereAWordOfTheTextBegins) {
    const struct {
        const char* query;
        bool found;
    } cases[] = {
        {"settings", true}, {"SETT", true},    {"tings", false}, {"panel", true}, {"network-", true},
        {"proxy", true},    {"closed", false}, {"", true},       {"开始", true},  {"始", false},
    };
    LibraryTextIndex index;
    index.setText(QStringLiteral("A"), QStringLiteral("Open the Settings panel\nnetwork-proxy 开始"));
    for (const auto& c : cases) {
        EXPECT_EQ(index.matchesWord(QStringLiteral("A"), QString::fromUtf8(c.query)), c.found) << c.query;
    }
    EXPECT_FALSE(index.matchesWord(QStringLiteral("B"), QStringLiteral("open"))); // not recognised yet
}

TEST(LibraryTextIndex, IsKeptBesideTheIndexAndForgetsCapturesThatLeft) {
    QTemporaryDir dir;
    {
        LibraryTextIndex index;
        index.load(dir.path());
        index.setText(QStringLiteral("A"), QStringLiteral("alpha"));
        index.setText(QStringLiteral("B"), QString()); // recognised, nothing to find
        index.setText(QStringLiteral("C"), QStringLiteral("gone"));
        index.retain({QStringLiteral("A"), QStringLiteral("B")});
        ASSERT_TRUE(index.save());
    }
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("index.text.json"))));
    LibraryTextIndex back;
    back.load(dir.path());
    EXPECT_EQ(back.size(), 2);
    EXPECT_EQ(back.text(QStringLiteral("A")), QStringLiteral("alpha"));
    EXPECT_TRUE(back.contains(QStringLiteral("B")));
    EXPECT_FALSE(back.contains(QStringLiteral("C")));
}

// Twenty captures of window-like text; a word shown in three of them finds exactly those three,
// and a capture made later is found as soon as its text is in.
class LibraryTextSearch : public HistoryFixture {
protected:
    QString capture(int n, const QStringList& lines) {
        const QImage image = textPage(lines, 15);
        const QString path = QStringLiteral("%1/shot-%2.png").arg(lib).arg(n, 2, 10, QLatin1Char('0'));
        EXPECT_TRUE(image.save(path));
        CaptureResult r;
        r.image = image;
        r.mode = CaptureMode::window;
        r.captureDate = QDateTime(QDate(2025, 5, 1), QTime(10, 0), Qt::UTC).addSecs(n);
        return store->add(path, r).id;
    }
    QStringList found(HistoryListModel& model, const QString& query) {
        model.setFilter(query);
        QStringList ids;
        for (int row = 0; row < model.rowCount(); ++row) {
            ids << model.entryAt(row)->id;
        }
        ids.sort();
        return ids;
    }
};

TEST_F(LibraryTextSearch, AWordFindsExactlyTheCapturesThatShowIt) {
    const QStringList windows[] = {
        {"File Edit View Terminal", "user@host:~$ ls -la"},
        {"Mozilla Firefox", "Search or enter address"},
        {"Settings", "Network Proxy Bluetooth"},
        {"Quarterly report draft", "Revenue grew by nine percent"},
        {"Inbox (3)", "Meeting moved to Thursday"},
    };
    makeStore();
    store->load();
    LibraryTextIndex index;
    // What the search finds is checked here; at the lowest priority, a machine busy with other work
    // gives the worker no time.
    LibraryTextIndexer indexer(*store, index, std::make_shared<platform::TesseractRecognizer>(), nullptr,
                               LibraryTextIndexer::Priority::normal);
    indexer.start();
    QStringList withWord;
    for (int n = 0; n < 20; ++n) {
        QStringList lines = windows[n % 5];
        const bool marked = n == 3 || n == 11 || n == 17;
        if (marked) {
            lines << QStringLiteral("Invoice approved by Dolores");
        }
        const QString id = capture(n, lines);
        if (marked) {
            withWord << id;
        }
    }
    withWord.sort();
    ASSERT_TRUE(waitUntil([&] { return indexer.isIdle() && index.size() == 20; }, 600000)) << index.size();

    HistoryListModel model(*store, *thumbs);
    model.setTextIndex(&index);
    EXPECT_EQ(found(model, QStringLiteral("dolores")), withWord);
    EXPECT_EQ(found(model, QStringLiteral("Invoice approved")), withWord);
    EXPECT_EQ(found(model, QStringLiteral("Bluetooth")).size(), 4);
    EXPECT_TRUE(found(model, QStringLiteral("olores")).isEmpty());

    // A new capture is searchable once recognised, and the text survives a restart.
    model.setFilter(QStringLiteral("Zanzibar"));
    EXPECT_EQ(model.rowCount(), 0);
    const QString later = capture(20, {QStringLiteral("Ferry timetable to Zanzibar")});
    ASSERT_TRUE(waitUntil([&] { return model.rowCount() == 1; }, 120000));
    EXPECT_EQ(model.entryAt(0)->id, later);
    EXPECT_TRUE(waitUntil(
        [&] {
            LibraryTextIndex reread;
            reread.load(lib);
            return reread.matchesWord(later, QStringLiteral("zanzibar"));
        },
        5000));
}

} // namespace
