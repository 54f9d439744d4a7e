#pragma once

#include "platform/VideoFrameGenerator.h"

#include <QColor>
#include <QList>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace mebo::test {

// What fakes on a worker thread were asked, read by the test through the mutex; the gate holds
// them back until the test releases it.
struct WorkerLog {
    std::mutex mutex;
    std::condition_variable released;
    bool gate = false;

    void setGate(bool closed) {
        {
            std::lock_guard lock(mutex);
            gate = closed;
        }
        released.notify_all();
    }
    template <typename T, typename Log> T read(T Log::*field) {
        std::lock_guard lock(mutex);
        return static_cast<Log*>(this)->*field;
    }
};

// What a ScriptedFrames answers and what it was asked, shared between the test and the generators
// a factory hands out.
struct FrameScript : WorkerLog {
    double duration = 10;
    QSize size{160, 90};
    bool failOpen = false;
    QList<double> failAt;     // times whose exact frame fails to decode
    double keyFrameEvery = 0; // seconds; 0 answers no quick frames
    bool gateQuick = false;   // the gate holds quick frames too
    QSize askedMax;
    QList<double> times, quick; // of exact and quick frames asked, in order
    int made = 0;               // generators made on this script
};

// Plain frames whose red is 200 and whose green and blue tell the time in tenths of a second.
class ScriptedFrames : public platform::VideoFrameGenerator {
public:
    explicit ScriptedFrames(std::shared_ptr<FrameScript> s = std::make_shared<FrameScript>())
        : script(std::move(s)) {
        std::lock_guard lock(script->mutex);
        ++script->made;
    }
    bool open(const QString&, QSize maxSize, QString* error) override {
        std::lock_guard lock(script->mutex);
        script->askedMax = maxSize;
        if (script->failOpen) {
            *error = QStringLiteral("no video stream");
        }
        return !script->failOpen;
    }
    double durationSec() const override { return script->duration; }
    QSize frameSize() const override { return script->size; }
    QImage frameAt(double seconds, QString* error) override {
        std::unique_lock lock(script->mutex);
        script->times.append(seconds);
        script->released.wait(lock, [&] { return !script->gate; });
        if (script->failAt.contains(seconds)) {
            *error = QStringLiteral("damaged");
            return {};
        }
        return picture(seconds);
    }
    QImage quickFrameNear(double seconds, double* frameTime, QString*) override {
        std::unique_lock lock(script->mutex);
        if (script->keyFrameEvery <= 0) {
            return {};
        }
        script->quick.append(seconds);
        script->released.wait(lock, [&] { return !script->gate || !script->gateQuick; });
        *frameTime = std::floor(seconds / script->keyFrameEvery) * script->keyFrameEvery;
        return picture(*frameTime);
    }

    std::shared_ptr<FrameScript> script;

private:
    QImage picture(double t) const {
        QImage f(script->size, QImage::Format_RGB32);
        const int tenths = std::clamp(int(std::lround(t * 10)), 0, 255);
        f.fill(QColor(200, tenths, tenths));
        return f;
    }
};

} // namespace mebo::test
