#pragma once

#include <QFile>
#include <QString>
#include <QThread>

namespace mebo::test::x11 {

// Stops the test desktop's busy terminals for exact pixel comparisons: creates
// "$MEBO_DESKTOP_DIR/freeze", waits for the last output to be drawn, removes it when done.
class FreezeGuard {
public:
    FreezeGuard() : path_(qEnvironmentVariable("MEBO_DESKTOP_DIR") + QStringLiteral("/freeze")) {
        QFile f(path_);
        created_ = !qEnvironmentVariableIsEmpty("MEBO_DESKTOP_DIR") && f.open(QIODevice::WriteOnly);
        // The terminals look for the file every 0.3 s; give them time to finish drawing.
        QThread::msleep(650);
    }
    ~FreezeGuard() {
        if (created_) {
            QFile::remove(path_);
        }
    }
    FreezeGuard(const FreezeGuard&) = delete;
    FreezeGuard& operator=(const FreezeGuard&) = delete;

    bool active() const { return created_; }

private:
    QString path_;
    bool created_ = false;
};

} // namespace mebo::test::x11
