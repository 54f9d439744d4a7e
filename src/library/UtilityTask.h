#pragma once

#include <QThread>
#include <QThreadPool>
#include <functional>

namespace mebo {

// Runs `fn` on the global thread pool at utility priority (QThread::LowPriority while it runs;
// the pool thread gets its previous priority back afterwards, as pool threads are shared).
inline void startUtilityTask(std::function<void()> fn) {
    QThreadPool::globalInstance()->start([fn = std::move(fn)] {
        QThread* thread = QThread::currentThread();
        QThread::Priority previous = thread->priority();
        if (previous == QThread::InheritPriority) {
            previous = QThread::NormalPriority;
        }
        thread->setPriority(QThread::LowPriority);
        fn();
        thread->setPriority(previous);
    });
}

} // namespace mebo
