#include "platform/tesseract/TesseractRecognizer.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

namespace mebo::platform {

namespace {

// Text of about 12 px reads far better at twice the size; large images are left alone so that
// a 4K screenshot does not become 16 times the work.
constexpr qint64 kUpscaleBelowPixels = 4'000'000;

struct SymbolBox {
    QString text;
    QRect pixels;
    int word = -1; // index into the line's word boxes
};

// LSTM symbol boxes come from timesteps and can stray onto neighbouring glyphs; the word boxes are
// exact. Symbols are kept inside their word, and a word's first and last symbols reach its edges,
// so a range of whole words gets exactly those words' box.
void fitToWords(QList<SymbolBox>& symbols, const QList<QRect>& words) {
    for (int i = 0; i < symbols.size(); ++i) {
        SymbolBox& s = symbols[i];
        if (s.word < 0 || s.word >= words.size() || words[s.word].isEmpty()) {
            continue;
        }
        const QRect& word = words[s.word];
        QRect fitted = s.pixels.intersected(word);
        if (fitted.isEmpty()) {
            fitted = QRect(word.left(), word.top(), 1, word.height());
        }
        fitted.setTop(word.top());
        fitted.setBottom(word.bottom());
        if (i == 0 || symbols[i - 1].word != s.word) {
            fitted.setLeft(word.left());
        }
        if (i + 1 == symbols.size() || symbols[i + 1].word != s.word) {
            fitted.setRight(word.right());
        }
        s.pixels = fitted;
    }
    // Neighbours in a word share the gap between them, so a range ending inside a word ("Morgan"
    // of "Morgan.") reaches the next glyph even where the approximate boxes fell short.
    for (int i = 1; i < symbols.size(); ++i) {
        QRect& prev = symbols[i - 1].pixels;
        QRect& cur = symbols[i].pixels;
        if (symbols[i].word == symbols[i - 1].word && cur.left() > prev.right() + 1) {
            const int gapLeft = prev.right() + 1;
            prev.setRight(cur.left() - 1);
            cur.setLeft(gapLeft);
        }
    }
}

bool isDigit(const QString& symbol) {
    return symbol.size() == 1 && symbol.at(0) >= QLatin1Char('0') && symbol.at(0) <= QLatin1Char('9');
}

// Whether two neighbouring words of a line are really one: Tesseract sometimes splits a long
// digit string at a glyph gap ("110132195581 196552"), nearly always beside a "1" with its wide
// side bearings. In ordinary fonts (a space of about 0.28 em, digits 0.71 em high) a real space
// between two digits is at least half the digits' height, and more beside a "1"; a gap inside a
// number is about a tenth of it, up to 0.3 beside one "1" and 0.45 between two.
// An "@" is split off the same way ("parker947 @northwind.de"); an address never has a space
// there, so anything short of a wide gap joins.
bool joinsWithoutSpace(const SymbolBox& before, const SymbolBox& after, const QList<QRect>& words) {
    if (before.word < 0 || after.word >= words.size()) {
        return false;
    }
    const QRect& a = words[before.word];
    const QRect& b = words[after.word];
    const int gap = b.left() - a.right() - 1;
    if (before.text == QLatin1String("@") || after.text == QLatin1String("@")) {
        return gap * 20 < std::min(a.height(), b.height()) * 12;
    }
    if (!isDigit(before.text) || !isDigit(after.text)) {
        return false;
    }
    const int ones = (before.text == QLatin1String("1") ? 1 : 0) + (after.text == QLatin1String("1") ? 1 : 0);
    // gap / height below 0.30, 0.45 or 0.60 for none, one or two "1"s.
    return gap * 20 < std::min(a.height(), b.height()) * (6 + 3 * ones);
}

// The cell width of a line set in a monospaced font (terminals, code), or nothing. Glyphs sit
// centred in their cells there, so the centres of neighbouring symbols in a word lie one cell
// apart; in proportional text those distances vary with the letters ("il" against "mw").
std::optional<double> monospacePitch(const QList<SymbolBox>& symbols) {
    std::vector<double> pitches;
    for (int i = 1; i < symbols.size(); ++i) {
        // Letters only: digits are equally wide in proportional fonts too.
        const auto letter = [](const QString& t) { return t.size() == 1 && t.at(0).isLetter(); };
        if (symbols[i].word == symbols[i - 1].word && letter(symbols[i].text) &&
            letter(symbols[i - 1].text)) {
            pitches.push_back(symbols[i].pixels.center().x() - symbols[i - 1].pixels.center().x());
        }
    }
    constexpr size_t kMinSamples = 8;
    if (pitches.size() < kMinSamples) {
        return std::nullopt;
    }
    std::vector<double> sorted = pitches;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    if (median <= 0) {
        return std::nullopt;
    }
    // Proportional English text has about two thirds of its steps within 20 % of the median
    // (steps beside "i", "l", "f", "m" or "w" fall outside); monospaced text nearly all, short of
    // a glyph the engine read as two symbols ("Ll" for "l") or an odd box.
    const auto regular = std::count_if(pitches.begin(), pitches.end(),
                                       [median](double p) { return std::abs(p - median) <= median * 0.2; });
    const bool mono = regular * 10 >= qint64(pitches.size()) * 8;
    return mono ? std::optional<double>(median) : std::nullopt;
}

// In a monospaced line a space is a whole empty cell: words whose neighbouring glyphs sit in
// neighbouring cells were split by the engine at a wide side bearing ("laura. bennett", where the
// full stop fills a cell of its own).
bool adjacentCells(const SymbolBox& before, const SymbolBox& after, double pitch) {
    return after.pixels.center().x() - before.pixels.center().x() < pitch * 1.4;
}

// One line from its symbols (pixels of the recognised image): spaces between words, each UTF-16
// unit with the box of its symbol, a space with the gap between its words.
RecognizedTextLine assembleLine(QList<SymbolBox> symbols, const QList<QRect>& words, QSize imageSize) {
    const std::optional<double> pitch = monospacePitch(symbols);
    QList<bool> joined(symbols.size(), false);
    for (int i = 1; pitch && i < symbols.size(); ++i) {
        joined[i] =
            symbols[i].word != symbols[i - 1].word && adjacentCells(symbols[i - 1], symbols[i], *pitch);
    }
    fitToWords(symbols, words);
    const double w = imageSize.width();
    const double h = imageSize.height();
    auto normalised = [w, h](const QRect& r) {
        // Pixels (top-left origin) to the unit square with a bottom-left origin.
        return QRectF(r.left() / w, 1.0 - (r.top() + r.height()) / h, r.width() / w, r.height() / h);
    };
    RecognizedTextLine line;
    QRect lineBox;
    auto append = [&](const QString& text, const QRect& pixels) {
        line.text += text;
        const QRectF box = normalised(pixels);
        for (int unit = 0; unit < text.size(); ++unit) {
            line.characterBoxes.append(box);
        }
    };
    for (int i = 0; i < symbols.size(); ++i) {
        if (i > 0 && symbols[i].word != symbols[i - 1].word && !joined[i] &&
            !joinsWithoutSpace(symbols[i - 1], symbols[i], words)) {
            const QRect& prev = symbols[i - 1].pixels;
            const QRect& next = symbols[i].pixels;
            append(QStringLiteral(" "), QRect(QPoint(prev.right() + 1, std::min(prev.top(), next.top())),
                                              QPoint(std::max(prev.right() + 1, next.left() - 1),
                                                     std::max(prev.bottom(), next.bottom()))));
        }
        append(symbols[i].text, symbols[i].pixels);
        lineBox = lineBox.isNull() ? symbols[i].pixels : lineBox.united(symbols[i].pixels);
    }
    line.box = normalised(lineBox);
    return line;
}

} // namespace

TesseractRecognizer::TesseractRecognizer(QString languages, QString dataPath)
    : languages_(std::move(languages)), dataPath_(std::move(dataPath)) {}

QString TesseractRecognizer::installedLanguages(const QString& dataPath) {
    QString dir = dataPath;
    if (dir.isEmpty()) {
        dir = qEnvironmentVariableIsSet("TESSDATA_PREFIX")
                  ? qEnvironmentVariable("TESSDATA_PREFIX")
                  : QStringLiteral("/usr/share/tesseract-ocr/5/tessdata");
    }
    QString languages = QStringLiteral("eng");
    for (const char* extra : {"chi_sim", "chi_tra"}) {
        if (QFileInfo::exists(QDir(dir).filePath(QLatin1String(extra) + QLatin1String(".traineddata")))) {
            languages += QLatin1Char('+') + QLatin1String(extra);
        }
    }
    return languages;
}

int TesseractRecognizer::upscaleFor(QSize size) {
    return qint64(size.width()) * size.height() < kUpscaleBelowPixels ? 2 : 1;
}

namespace {

struct ReadLine {
    RecognizedTextLine line;
    float confidence = 0; // Tesseract's, 0 to 100
    QRect pixels;         // in the recognised image
};

// The lines of the last recognition of `api`, each with its symbols, in the engine's order. The
// engine was given the part of the image at `offset`; `imageSize` is the whole image's.
QList<ReadLine> readLines(tesseract::TessBaseAPI& api, QPoint offset, QSize imageSize) {
    QList<ReadLine> lines;
    QList<SymbolBox> symbols;
    QList<QRect> words;
    float confidence = 0;
    auto finishLine = [&]() {
        if (!symbols.isEmpty()) {
            ReadLine read{assembleLine(symbols, words, imageSize), confidence, {}};
            for (const SymbolBox& s : symbols) {
                read.pixels = read.pixels.united(s.pixels);
            }
            if (!read.line.text.trimmed().isEmpty()) {
                lines.append(std::move(read));
            }
        }
        symbols.clear();
        words.clear();
    };
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it) {
        return lines;
    }
    do {
        if (it->Empty(tesseract::RIL_SYMBOL)) {
            continue;
        }
        int left = 0, top = 0, right = 0, bottom = 0;
        if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
            finishLine();
            confidence = it->Confidence(tesseract::RIL_TEXTLINE);
        }
        if (it->IsAtBeginningOf(tesseract::RIL_WORD)) {
            const bool boxed = it->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom);
            words.append(boxed ? QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).translated(offset)
                               : QRect());
        }
        std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_SYMBOL));
        if (!text || !it->BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom)) {
            continue;
        }
        symbols.append({QString::fromUtf8(text.get()),
                        QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).translated(offset),
                        int(words.size()) - 1});
    } while (it->Next(tesseract::RIL_SYMBOL));
    finishLine();
    return lines;
}

// Recognises `area` of the (enlarged) grey image: the engine reads only those pixels, and the
// lines come back in the whole image's coordinates. Nothing when the engine fails or `stop` is set
// while it reads (the engine asks between words).
std::optional<QList<ReadLine>> recognizeArea(tesseract::TessBaseAPI& api, const QImage& grey,
                                             const QRect& area, int scale, const std::atomic_bool* stop) {
    api.SetImage(grey.constScanLine(area.top()) + area.left(), area.width(), area.height(), 1,
                 int(grey.bytesPerLine()));
    api.SetSourceResolution(96 * scale);
    tesseract::ETEXT_DESC monitor;
    if (stop) {
        monitor.cancel = [](void* flag, int) { return static_cast<const std::atomic_bool*>(flag)->load(); };
        monitor.cancel_this = const_cast<std::atomic_bool*>(stop);
    }
    if (api.Recognize(stop ? &monitor : nullptr) != 0) {
        return std::nullopt;
    }
    return readLines(api, area.topLeft(), grey.size());
}

constexpr const char* kStopped = "text recognition stopped";

// A line read this poorly by the first language is read again with all of them.
constexpr float kRereadBelowConfidence = 70;

// A row of the image with no text on it: hardly any change in brightness along it (a panel border
// is one step; even the faint antialiased top of a line of text, enlarged, has dozens).
bool blankRow(const QImage& grey, int y) {
    const uchar* row = grey.constScanLine(y);
    int steps = 0;
    for (int x = 1; x < grey.width(); ++x) {
        if (std::abs(int(row[x]) - int(row[x - 1])) >= 6 && ++steps > 4) {
            return false;
        }
    }
    return true;
}

// Full-width bands of about equal height, cut only at blank rows, so that each can be recognised
// on its own core: Tesseract itself runs on one.
QList<QRect> bandsOf(const QImage& grey, int count) {
    const int h = grey.height();
    QList<int> cuts{0};
    if (h >= 400) {
        for (int i = 1; i < count; ++i) {
            const int target = h * i / count;
            const int reach = h / (3 * count);
            for (int d = 0; d <= reach; ++d) {
                const int y = blankRow(grey, target - d)   ? target - d
                              : blankRow(grey, target + d) ? target + d
                                                           : -1;
                if (y > cuts.last() + 16) {
                    cuts.append(y);
                    break;
                }
            }
        }
    }
    cuts.append(h);
    QList<QRect> bands;
    for (int i = 1; i < cuts.size(); ++i) {
        bands.append(QRect(0, cuts[i - 1], grey.width(), cuts[i] - cuts[i - 1]));
    }
    return bands;
}

} // namespace

std::optional<QList<RecognizedTextLine>> TesseractRecognizer::recognize(const QImage& image, QString* error,
                                                                        const std::atomic_bool* stop) {
    auto fail = [error](const QString& reason) {
        if (error) {
            *error = reason;
        }
        return std::nullopt;
    };
    if (image.isNull() || image.width() < 1 || image.height() < 1) {
        return fail(QStringLiteral("empty image"));
    }
    // The whole image is read in the first language only; more languages make every word several
    // recognitions. Lines it reads poorly (Chinese, say, on an English page) are read again with
    // all the languages, so mixed text reads well and English-only images cost nothing more.
    const QStringList all = languages_.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    const QByteArray path = dataPath_.toLocal8Bit();
    auto engine = [&](const QString& languages) -> std::unique_ptr<tesseract::TessBaseAPI> {
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        if (api->Init(dataPath_.isEmpty() ? nullptr : path.constData(), languages.toLatin1().constData(),
                      tesseract::OEM_LSTM_ONLY) != 0) {
            return nullptr;
        }
        return api;
    };
    if (all.isEmpty()) {
        return fail(QStringLiteral("no language given for text recognition"));
    }

    // The preparation cannot stop part-way: it is skipped when the stop came before it.
    auto stopped = [stop] { return stop && stop->load(); };
    const int scale = upscaleFor(image.size());
    QImage grey = stopped() ? QImage() : image.convertToFormat(QImage::Format_Grayscale8);
    if (scale > 1 && !stopped()) {
        grey = grey.scaled(grey.size() * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (stopped()) {
        return fail(QString::fromLatin1(kStopped));
    }
    // Each band on its own engine and thread; the engines share nothing.
    const QList<QRect> bands = bandsOf(grey, std::clamp(QThread::idealThreadCount(), 1, 4));
    std::vector<QList<ReadLine>> read(size_t(bands.size()));
    std::vector<QString> failures(size_t(bands.size()));
    auto readBand = [&](size_t i) {
        if (stopped()) {
            failures[i] = QString::fromLatin1(kStopped);
            return;
        }
        auto api = engine(all.first());
        if (!api) {
            failures[i] =
                QStringLiteral("Tesseract could not load the language data \"%1\"").arg(all.first());
            return;
        }
        api->SetPageSegMode(tesseract::PSM_AUTO);
        if (auto band = recognizeArea(*api, grey, bands[qsizetype(i)], scale, stop)) {
            read[i] = std::move(*band);
        } else {
            failures[i] =
                stopped() ? QString::fromLatin1(kStopped) : QStringLiteral("Tesseract recognition failed");
        }
        api->End();
    };
    std::vector<std::thread> helpers;
    for (size_t i = 1; i < read.size(); ++i) {
        helpers.emplace_back(readBand, i);
    }
    readBand(0);
    for (std::thread& t : helpers) {
        t.join();
    }
    QList<ReadLine> lines;
    for (size_t i = 0; i < read.size(); ++i) {
        if (!failures[i].isEmpty()) {
            return fail(failures[i]);
        }
        lines.append(std::move(read[i]));
    }

    std::unique_ptr<tesseract::TessBaseAPI> mixed;
    for (ReadLine& line : lines) {
        if (stopped()) {
            return fail(QString::fromLatin1(kStopped));
        }
        if (all.size() < 2 || line.confidence >= kRereadBelowConfidence) {
            continue;
        }
        if (!mixed) {
            mixed = engine(languages_);
            if (!mixed) {
                break;
            }
            mixed->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
        }
        const QRect around = line.pixels.adjusted(-4 * scale, -2 * scale, 4 * scale, 2 * scale)
                                 .intersected(QRect(QPoint(0, 0), grey.size()));
        const std::optional<QList<ReadLine>> again = recognizeArea(*mixed, grey, around, scale, stop);
        // Kept only when read well: a cursor or an icon must not come back as a Chinese character.
        if (again && again->size() == 1 && again->first().confidence >= kRereadBelowConfidence &&
            again->first().confidence > line.confidence) {
            line = again->first();
        }
    }

    QList<RecognizedTextLine> out;
    out.reserve(lines.size());
    for (ReadLine& line : lines) {
        line.line.confidence = std::clamp(double(line.confidence) / 100.0, 0.0, 1.0);
        out.append(std::move(line.line));
    }
    return out;
}

} // namespace mebo::platform
