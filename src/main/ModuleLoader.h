#pragma once

#include <QFunctionPointer>
#include <QString>

namespace mebo {

// A backend built as a shared module (PulseAudio, Tesseract): looked for beside the executable
// (a build tree), then in ../lib/mebo (installed). Answers the named factory, the library staying
// loaded; or null with the reason in `error`.
QFunctionPointer resolveModuleFactory(const QString& fileName, const char* symbol, QString* error);

} // namespace mebo
