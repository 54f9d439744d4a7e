#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <memory>

class QTimer;

namespace mebo {

class HistoryStore;
class LibraryTextIndex;
namespace platform {
class TextRecognizer;
}

// Recognises the text of every image in the library that has none yet, newest first, one at a
// time on its own thread ("mebo.text-index") at the lowest scheduling priority, so the rest of the
// desktop never waits for it; results go to the LibraryTextIndex and are saved shortly after.
// It follows the store: new captures are queued as they come, a folder change starts over (late
// answers for the old folder are dropped by a generation check). Main thread, except the worker.
class LibraryTextIndexer : public QObject {
    Q_OBJECT
public:
    // `normal`: the worker keeps the caller's priority, for work someone is waiting for (on a busy
    // machine the lowest priority may get no time at all).
    enum class Priority { lowest, normal };
    // All must outlive the indexer; `recognizer` may be null (nothing is recognised).
    LibraryTextIndexer(HistoryStore& store, LibraryTextIndex& index,
                       std::shared_ptr<platform::TextRecognizer> recognizer, QObject* parent = nullptr,
                       Priority priority = Priority::lowest);
    ~LibraryTextIndexer() override;

    // Loads the index of the store's folder and queues what it lacks.
    void start();
    // Nothing queued and nothing being recognised.
    bool isIdle() const;

Q_SIGNALS:
    void becameIdle();

private:
    struct Worker;
    void sync();
    void queueMissing();
    void finished(int generation, const QString& id, const QString& text, bool ok);

    HistoryStore& store_;
    LibraryTextIndex& index_;
    std::shared_ptr<Worker> worker_;
    QTimer* saveDelay_ = nullptr;
    QSet<QString> queued_; // ids handed to the worker and not answered yet
    QSet<QString> failed_; // images that could not be read or recognised in this session
    int generation_ = 0;
};

} // namespace mebo
