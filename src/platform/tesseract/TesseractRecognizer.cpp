#include "platform/tesseract/TesseractRecognizer.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <memory>

namespace mebo::platform {

namespace {

// Text of about 12 px reads far better at twice the size; large images are left alone so that
// a 4K screenshot does not become 16 times the work.
constexpr qint64 kUpscaleBelowPixels = 4'000'000;

struct SymbolBox {
    QString text;
    QRect pixels;
};

} // namespace

TesseractRecognizer::TesseractRecognizer(QString languages, QString dataPath)
    : languages_(std::move(languages)), dataPath_(std::move(dataPath)) {
    // OpenMP inside the library would oversubscribe the cores when several recognitions run. Set
    // here, on the thread that builds the service, before any recognition thread reads the
    // environment (setenv is not safe beside other threads).
    qputenv("OMP_THREAD_LIMIT", "1");
}

int TesseractRecognizer::upscaleFor(QSize size) {
    return qint64(size.width()) * size.height() < kUpscaleBelowPixels ? 2 : 1;
}

std::optional<QList<RecognizedTextLine>> TesseractRecognizer::recognize(const QImage& image, QString* error) {
    if (image.isNull() || image.width() < 1 || image.height() < 1) {
        if (error) {
            *error = QStringLiteral("empty image");
        }
        return std::nullopt;
    }
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    const QByteArray path = dataPath_.toLocal8Bit();
    if (api->Init(dataPath_.isEmpty() ? nullptr : path.constData(), languages_.toLatin1().constData(),
                  tesseract::OEM_LSTM_ONLY) != 0) {
        if (error) {
            *error = QStringLiteral("Tesseract could not load the language data \"%1\"").arg(languages_);
        }
        return std::nullopt;
    }
    api->SetPageSegMode(tesseract::PSM_AUTO);

    const int scale = upscaleFor(image.size());
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    if (scale > 1) {
        grey = grey.scaled(grey.size() * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api->SetSourceResolution(96 * scale);
    if (api->Recognize(nullptr) != 0) {
        if (error) {
            *error = QStringLiteral("Tesseract recognition failed");
        }
        api->End();
        return std::nullopt;
    }

    const double w = grey.width();
    const double h = grey.height();
    auto normalised = [w, h](const QRect& r) {
        // Pixels (top-left origin) to the unit square with a bottom-left origin.
        return QRectF(r.left() / w, 1.0 - (r.top() + r.height()) / h, r.width() / w, r.height() / h);
    };

    QList<RecognizedTextLine> lines;
    QList<SymbolBox> symbols;
    auto finishLine = [&]() {
        if (symbols.isEmpty()) {
            return;
        }
        RecognizedTextLine line;
        QRect lineBox;
        for (int i = 0; i < symbols.size(); ++i) {
            if (i > 0 && symbols[i].text == QLatin1String(" ")) {
                // A word gap: the space spans from the previous symbol to the next one.
                const QRect& prev = symbols[i - 1].pixels;
                const QRect& next = i + 1 < symbols.size() ? symbols[i + 1].pixels : prev;
                symbols[i].pixels = QRect(QPoint(prev.right() + 1, std::min(prev.top(), next.top())),
                                          QPoint(std::max(prev.right() + 1, next.left() - 1),
                                                 std::max(prev.bottom(), next.bottom())));
            }
            line.text += symbols[i].text;
            const QRectF box = normalised(symbols[i].pixels);
            for (int unit = 0; unit < symbols[i].text.size(); ++unit) {
                line.characterBoxes.append(box);
            }
            lineBox = lineBox.isNull() ? symbols[i].pixels : lineBox.united(symbols[i].pixels);
        }
        line.box = normalised(lineBox);
        if (!line.text.trimmed().isEmpty()) {
            lines.append(std::move(line));
        }
        symbols.clear();
    };

    std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (it) {
        do {
            if (it->Empty(tesseract::RIL_SYMBOL)) {
                continue;
            }
            if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
                finishLine();
            } else if (it->IsAtBeginningOf(tesseract::RIL_WORD)) {
                symbols.append({QStringLiteral(" "), {}});
            }
            std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_SYMBOL));
            int left = 0, top = 0, right = 0, bottom = 0;
            if (!text || !it->BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom)) {
                continue;
            }
            symbols.append(
                {QString::fromUtf8(text.get()), QRect(QPoint(left, top), QPoint(right - 1, bottom - 1))});
        } while (it->Next(tesseract::RIL_SYMBOL));
    }
    finishLine();
    api->End();
    return lines;
}

} // namespace mebo::platform
