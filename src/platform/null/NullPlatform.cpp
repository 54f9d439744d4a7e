#include "platform/null/NullPlatform.h"

#include "app/MainThread.h"

namespace mebo::platform {

void NullScreenCapture::shareableContent(const ContentQuery&, Completion<ShareableContent> done) {
    runOnMain([done = std::move(done), r = reason_] { done(Result<ShareableContent>::fail(r)); });
}

void NullScreenCapture::captureDisplay(uint32_t, QSize, bool, Completion<QImage> done) {
    runOnMain([done = std::move(done), r = reason_] { done(Result<QImage>::fail(r)); });
}

} // namespace mebo::platform
