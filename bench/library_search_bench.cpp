// Searching the library by the text in its pictures: twenty window captures (terminals, browser
// pages, settings forms) recognised by the background indexer with the real recogniser, then a
// word shown in three of them typed into the filter one key at a time, and a new capture timed
// until the filter finds it.
//
// Usage: library_search_bench [--benchmark_* flags]   (needs tesseract's English data)

#include "ScreenshotCorpus.h"
#include "app/Cfg.h"
#include "capture/CaptureMode.h"
#include "library/HistoryListModel.h"
#include "library/HistoryStore.h"
#include "library/LibraryTextIndex.h"
#include "library/LibraryTextIndexer.h"
#include "library/ThumbnailCache.h"
#include "main/CommandRuntime.h"
#include "platform/qt/JsonDefaultsStore.h"
#include "platform/qt/QtWorkspace.h"
#include "platform/tesseract/TesseractRecognizer.h"

#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <memory>

using namespace mebo;

namespace {

constexpr const char* kWord = "Dolores";

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// A terminal window: a shell prompt, a directory listing and a build log in a monospaced font.
QImage terminalWindow(int n) {
    QImage image(1000, 620, QImage::Format_RGB32);
    image.fill(QColor(0x1e, 0x1e, 0x1e));
    QPainter p(&image);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(QColor(0xd0, 0xd0, 0xd0));
    const QStringList lines = {
        QStringLiteral("user@workstation:~/projects/atlas$ ls -la"),
        QStringLiteral("total 48"),
        QStringLiteral("drwxr-xr-x  7 user user 4096 Mar  3 10:12 ."),
        QStringLiteral("drwxr-xr-x 12 user user 4096 Feb 27 09:40 .."),
        QStringLiteral("-rw-r--r--  1 user user  812 Mar  3 10:12 CMakeLists.txt"),
        QStringLiteral("-rw-r--r--  1 user user 2291 Mar  1 16:05 README.md"),
        QStringLiteral("drwxr-xr-x  4 user user 4096 Mar  3 10:10 src"),
        QStringLiteral("user@workstation:~/projects/atlas$ make -j4 run%1").arg(n),
        QStringLiteral("[ 25%] Building CXX object src/parser.cpp.o"),
        QStringLiteral("[ 50%] Building CXX object src/network.cpp.o"),
        QStringLiteral("[100%] Linking CXX executable atlas"),
        QStringLiteral("user@workstation:~/projects/atlas$ git status"),
        QStringLiteral("On branch main, nothing to commit, working tree clean"),
    };
    for (int i = 0; i < lines.size(); ++i) {
        p.drawText(QPoint(12, 28 + 22 * i), lines[i]);
    }
    return image;
}

// The n-th window of the library, with a status line at its foot; `marked` windows show the word.
QImage window(corpus::ScreenshotCorpus& corpus, int n, bool marked) {
    const corpus::PageStyle style{QStringLiteral("DejaVu Sans"), 14, n % 4 == 3};
    QImage body;
    switch (n % 3) {
    case 0:
        body = terminalWindow(n);
        break;
    case 1:
        body = corpus.webPage(style, false).image;
        break;
    default:
        body = corpus.applicationForm(style, false).image;
        break;
    }
    QImage image(body.width(), body.height() + 36, QImage::Format_RGB32);
    image.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&image);
    p.drawImage(0, 0, body);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(QColor(0x20, 0x20, 0x20));
    p.drawText(QPoint(16, body.height() + 24),
               marked ? QStringLiteral("Invoice approved by %1").arg(kWord)
                      : QStringLiteral("Ready, %1 items synchronised").arg(n + 3));
    return image;
}

// A library folder with its store, model and indexer over the real recogniser.
struct Library {
    QTemporaryDir dir;
    std::unique_ptr<platform::JsonDefaultsStore> defaults;
    platform::QtWorkspace workspace;
    std::unique_ptr<Cfg> cfg;
    std::unique_ptr<ThumbnailCache> thumbnails;
    std::unique_ptr<HistoryStore> store;
    LibraryTextIndex index;
    std::unique_ptr<LibraryTextIndexer> indexer;
    std::unique_ptr<HistoryListModel> model;
    int captures = 0;

    Library() {
        defaults =
            std::make_unique<platform::JsonDefaultsStore>(dir.filePath(QStringLiteral("defaults.json")));
        cfg = std::make_unique<Cfg>(*defaults, dir.filePath(QStringLiteral("lib")));
        QDir().mkpath(cfg->saveDirectory());
        thumbnails = std::make_unique<ThumbnailCache>(dir.filePath(QStringLiteral("thumbs")));
        store = std::make_unique<HistoryStore>(*cfg, workspace, *thumbnails);
        store->load();
        indexer = std::make_unique<LibraryTextIndexer>(*store, index,
                                                       std::make_shared<platform::TesseractRecognizer>());
        indexer->start();
        model = std::make_unique<HistoryListModel>(*store, *thumbnails);
        model->setTextIndex(&index);
    }
    ~Library() {
        model.reset();
        indexer.reset();
        waitUntil([this] { return store->isIdle(); }, 30000);
        store.reset();
        thumbnails->waitForPending();
    }

    QString add(const QImage& image) {
        const QString path =
            QStringLiteral("%1/capture-%2.png").arg(cfg->saveDirectory()).arg(captures, 3, 10, QChar(u'0'));
        image.save(path);
        CaptureResult r;
        r.image = image;
        r.mode = CaptureMode::window;
        r.captureDate = QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC).addSecs(60 * captures++);
        return store->add(path, r).id;
    }
    QStringList found(const QString& query) {
        model->setFilter(query);
        QStringList ids;
        for (int row = 0; row < model->rowCount(); ++row) {
            ids << model->entryAt(row)->id;
        }
        ids.sort();
        return ids;
    }
};

std::unique_ptr<Library> library;
QStringList marked;

// The twenty captures, three of them showing the word, recognised in the background.
bool buildLibrary() {
    library = std::make_unique<Library>();
    corpus::ScreenshotCorpus corpus(7);
    QElapsedTimer clock;
    clock.start();
    for (int n = 0; n < 20; ++n) {
        const bool withWord = n == 4 || n == 11 || n == 17;
        const QString id = library->add(window(corpus, n, withWord));
        if (withWord) {
            marked << id;
        }
    }
    marked.sort();
    const bool done =
        waitUntil([] { return library->indexer->isIdle() && library->index.size() == 20; }, 10 * 60 * 1000);
    std::printf("library: 20 captures recognised in the background in %.1f s%s\n", clock.elapsed() / 1000.0,
                done ? "" : " (timed out)");
    return done;
}

// Each key of the word typed into the filter, as the search field hands it over; the last one
// must show exactly the three captures.
void BM_TypeWord(benchmark::State& state) {
    const QString word = QString::fromLatin1(kWord);
    for (auto _ : state) {
        library->model->setFilter(QString());
        QStringList ids;
        for (int length = 1; length <= word.size(); ++length) {
            ids = library->found(word.left(length));
        }
        if (ids != marked) {
            state.SkipWithError("the word did not find exactly its three captures");
            return;
        }
    }
    state.counters["found"] = double(marked.size());
}
BENCHMARK(BM_TypeWord)->Name("type_word_7_keys_20_captures")->Unit(benchmark::kMillisecond);

// A new capture with a new word: from the store's add to the filter showing it.
void BM_NewCaptureSearchable(benchmark::State& state) {
    static corpus::ScreenshotCorpus corpus(11);
    static const QStringList tokens = {"Zanzibar",     "Kilimanjaro", "Valparaiso",   "Reykjavik",
                                       "Timbuktu",     "Ouagadougou", "Samarkand",    "Tegucigalpa",
                                       "Antananarivo", "Vladivostok", "Kathmandu",    "Montevideo",
                                       "Marrakesh",    "Nuremberg",   "Quezaltenango"};
    static int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (round == tokens.size()) {
            state.SkipWithError("out of fresh words");
            return;
        }
        const QString token = tokens.at(round++);
        QImage image = window(corpus, 2 + round, false);
        QPainter p(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(15);
        p.setFont(font);
        p.fillRect(QRect(0, image.height() - 36, image.width(), 36), QColor(0xf0, 0xf0, 0xf0));
        p.setPen(QColor(0x20, 0x20, 0x20));
        p.drawText(QPoint(16, image.height() - 12), QStringLiteral("Ferry timetable to ") + token);
        p.end();
        library->model->setFilter(token);
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const QString id = library->add(image);
        const bool found = waitUntil(
            [&] {
                for (int row = 0; row < library->model->rowCount(); ++row) {
                    if (library->model->entryAt(row)->id == id) {
                        return true;
                    }
                }
                return false;
            },
            60000);
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        if (!found) {
            state.SkipWithError("the new capture was not found within 60 s");
            return;
        }
    }
}
BENCHMARK(BM_NewCaptureSearchable)
    ->Name("new_capture_searchable")
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    runtime::limitOpenMpThreads(argv); // as the desktop application does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!buildLibrary()) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    library.reset();
    return 0;
}
