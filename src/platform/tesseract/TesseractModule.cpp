#include "platform/tesseract/TesseractRecognizer.h"

// Text recognition is a module the application loads when it first recognises text, so that
// Tesseract, Leptonica and the image libraries they pull in cost nothing to everything else.
// `languages` in Tesseract's form ("eng+chi_sim"); null or empty: the installed languages.
extern "C" __attribute__((visibility("default"))) mebo::platform::TextRecognizer*
mebo_create_text_recognizer(const char* languages) {
    const QString chosen = languages && *languages
                               ? QString::fromLatin1(languages)
                               : mebo::platform::TesseractRecognizer::installedLanguages();
    return new mebo::platform::TesseractRecognizer(chosen);
}
