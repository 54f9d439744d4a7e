#include "library/LibraryTextIndexer.h"

#include "app/AppLogger.h"
#include "app/MainThread.h"
#include "library/HistoryStore.h"
#include "library/LibraryTextIndex.h"
#include "platform/TextRecognizer.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace mebo {

struct LibraryTextIndexer::Worker {
    struct Job {
        int generation = 0;
        QString id;
        QString path;
    };

    Worker(LibraryTextIndexer* indexer, std::shared_ptr<platform::TextRecognizer> r, Priority priority)
        : owner(indexer), recognizer(std::move(r)) {
        thread = std::thread([this, priority] { run(priority); });
    }
    ~Worker() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
            jobs.clear();
        }
        // At the lowest priority on a busy machine the page being read could hold the quit for
        // minutes: it is given up instead.
        stop = true;
        cv.notify_all();
        thread.join();
    }

    void add(Job job) {
        {
            std::lock_guard lock(mutex);
            jobs.push_back(std::move(job));
        }
        cv.notify_all();
    }
    void clear() {
        std::lock_guard lock(mutex);
        jobs.clear();
    }

    void run(Priority priority) {
        pthread_setname_np(pthread_self(), "mebo.text-index");
        // The lowest priority of the normal class; the recogniser's own threads inherit it.
        if (priority == Priority::lowest) {
            setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 19);
        }
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex);
                cv.wait(lock, [this] { return stopping || !jobs.empty(); });
                if (stopping) {
                    return;
                }
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            QString text;
            bool ok = false;
            QImageReader reader(job.path);
            reader.setAutoTransform(true);
            const QImage image = reader.read();
            if (!image.isNull() && recognizer) {
                QString error;
                if (const auto lines = recognizer->recognize(image, &error, &stop)) {
                    QStringList parts;
                    for (const platform::RecognizedTextLine& line : *lines) {
                        if (!line.text.trimmed().isEmpty()) {
                            parts << line.text.trimmed();
                        }
                    }
                    text = parts.join(QLatin1Char('\n'));
                    ok = true;
                }
            }
            runOnMain([owner = owner, generation = job.generation, id = job.id, text, ok] {
                if (owner) {
                    owner->finished(generation, id, text, ok);
                }
            });
        }
    }

    QPointer<LibraryTextIndexer> owner; // dereferenced on the main thread only
    std::shared_ptr<platform::TextRecognizer> recognizer;
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<Job> jobs;          // guarded by `mutex`
    bool stopping = false;         // guarded by `mutex`
    std::atomic_bool stop = false; // read by the recogniser while it works
    std::thread thread;
};

LibraryTextIndexer::LibraryTextIndexer(HistoryStore& store, LibraryTextIndex& index,
                                       std::shared_ptr<platform::TextRecognizer> recognizer, QObject* parent,
                                       Priority priority)
    : QObject(parent), store_(store), index_(index) {
    if (recognizer) {
        worker_ = std::make_shared<Worker>(this, std::move(recognizer), priority);
    }
    saveDelay_ = new QTimer(this);
    saveDelay_->setSingleShot(true);
    saveDelay_->setInterval(500);
    connect(saveDelay_, &QTimer::timeout, this, [this] { index_.save(); });
}

LibraryTextIndexer::~LibraryTextIndexer() {
    worker_.reset(); // joins the thread; its late answers find no owner
    if (saveDelay_->isActive()) {
        index_.save();
    }
}

void LibraryTextIndexer::start() {
    connect(&store_, &HistoryStore::entriesChanged, this, &LibraryTextIndexer::sync, Qt::UniqueConnection);
    sync();
}

bool LibraryTextIndexer::isIdle() const {
    return queued_.isEmpty();
}

void LibraryTextIndexer::sync() {
    const QString folder = QFileInfo(store_.indexPath()).absolutePath();
    if (index_.folder() != folder) {
        // Another library: start over with its own index.
        ++generation_;
        queued_.clear();
        failed_.clear();
        if (worker_) {
            worker_->clear();
        }
        index_.load(folder);
    }
    queueMissing();
}

void LibraryTextIndexer::queueMissing() {
    if (!worker_) {
        return;
    }
    // Newest first: the store's order.
    for (const HistoryEntry& e : store_.entries()) {
        if (e.mediaType == QLatin1String("image") && !index_.contains(e.id) && !queued_.contains(e.id) &&
            !failed_.contains(e.id)) {
            queued_.insert(e.id);
            worker_->add(Worker::Job{generation_, e.id, store_.mainFilePath(e)});
        }
    }
}

void LibraryTextIndexer::finished(int generation, const QString& id, const QString& text, bool ok) {
    if (generation != generation_) {
        return;
    }
    queued_.remove(id);
    const bool inLibrary = std::any_of(store_.entries().begin(), store_.entries().end(),
                                       [&](const HistoryEntry& e) { return e.id == id; });
    if (inLibrary && ok) {
        index_.setText(id, text);
        QSet<QString> ids;
        for (const HistoryEntry& e : store_.entries()) {
            ids.insert(e.id);
        }
        index_.retain(ids);
        saveDelay_->start();
    } else if (inLibrary) {
        failed_.insert(id); // not tried again in this session
        logWarning(QStringLiteral("[History] the text of %1 could not be recognised").arg(id));
    }
    if (queued_.isEmpty()) {
        Q_EMIT becameIdle();
    }
}

} // namespace mebo
