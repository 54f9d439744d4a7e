#pragma once

#include "platform/TextRecognizer.h"

#include <QString>
#include <memory>

namespace mebo {

// The text-recognition service of this process: the Tesseract module, loaded on the first
// recognition (beside the executable in a build tree, from lib/mebo when installed). When it
// cannot be loaded, every recognition fails with the reason. `languages` empty: the installed
// languages the module chooses.
std::shared_ptr<platform::TextRecognizer> loadTextRecognizer(const QString& languages = {});

} // namespace mebo
