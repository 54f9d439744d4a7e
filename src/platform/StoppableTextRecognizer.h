#pragma once

#include "platform/TextRecognizer.h"

#include <atomic>

namespace mebo::platform {

// A text recogniser that can give up part-way: once `stop` is set it answers nothing, with the
// reason, so that a background reader going away does not wait for the rest of a page.
class StoppableTextRecognizer : public TextRecognizer {
public:
    virtual std::optional<QList<RecognizedTextLine>> recognizeUntil(const QImage& image, QString* error,
                                                                    const std::atomic_bool& stop) = 0;
};

} // namespace mebo::platform
