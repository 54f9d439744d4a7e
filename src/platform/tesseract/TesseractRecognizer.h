#pragma once

#include "platform/TextRecognizer.h"

#include <QStringList>

namespace mebo::platform {

// Text recognition with Tesseract 5 (LSTM): lines with their symbol boxes. Screen text is small,
// so the image is turned to 8-bit grey and enlarged before recognition. Each call uses its own
// engine instance, so calls on different threads do not share state.
class TesseractRecognizer : public TextRecognizer {
public:
    // `languages` in Tesseract's form ("eng", "eng+chi_sim"); `dataPath` empty: the default tessdata.
    explicit TesseractRecognizer(QString languages = QStringLiteral("eng"), QString dataPath = {});

    std::optional<QList<RecognizedTextLine>> recognize(const QImage& image, QString* error,
                                                       const std::atomic_bool* stop = nullptr) override;

    // How much an image is enlarged before recognition (1 for large images).
    static int upscaleFor(QSize size);
    // The languages to read with, from the language data installed: English, and Chinese when
    // its data packages are there.
    static QString installedLanguages(const QString& dataPath = {});

private:
    QString languages_;
    QString dataPath_;
};

} // namespace mebo::platform
