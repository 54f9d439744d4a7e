#pragma once

#include "Fakes.h"
#include "app/AppLogger.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

namespace mebo::test {

// Runs the event loop until `pred` holds or `timeoutMs` pass; answers whether it held.
bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 5000);
// Lets queued main-thread work run (log records, completions).
void drainEvents();

// Captures everything AppLogger writes for the duration of a test.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    // In-app messages recorded since construction, in order (drains the event queue first).
    QStringList messages();
    bool contains(const QString& msg);
    int count(const QString& msg);
    QStringList systemLines() const { return sink.all(); }

    FakeSystemLog sink;

private:
    int startIndex_ = 0;
    QList<QUuid> seenBefore_;
};

} // namespace mebo::test
