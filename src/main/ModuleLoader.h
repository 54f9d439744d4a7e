#pragma once

#include <QFunctionPointer>
#include <QString>

namespace mebo {

// A backend built as a shared module (PulseAudio, Tesseract): looked for in <root>/lib/mebo
// (InstallLayout: installed and build trees alike), then beside the executable. Answers the named factory,
// the library staying loaded; or null with the reason in `error`.
QFunctionPointer resolveModuleFactory(const QString& fileName, const char* symbol, QString* error);

} // namespace mebo
