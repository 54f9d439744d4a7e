#include "editor/OcrResult.h"

#include <QStringList>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>

namespace mebo {

bool OcrResult::readsBefore(const QRectF& a, const QRectF& b) {
    // Decimal 0.01 apart counts as one line: 0.81 - 0.80 is a hair above 0.01 in binary.
    if (std::abs(a.y() - b.y()) > 0.01 + 1e-9) {
        return a.y() > b.y();
    }
    return a.x() < b.x();
}

OcrResult OcrResult::inReadingOrder(QList<OcrTextBlock> observations) {
    std::stable_sort(observations.begin(), observations.end(),
                     [](const OcrTextBlock& a, const OcrTextBlock& b) {
                         return readsBefore(a.normalizedBoundingBox, b.normalizedBoundingBox);
                     });
    OcrResult result;
    QStringList lines;
    for (OcrTextBlock& block : observations) {
        if (block.text.isEmpty()) {
            continue;
        }
        lines << block.text;
        result.blocks.append(std::move(block));
    }
    result.text = lines.join(QLatin1Char('\n'));
    return result;
}

QString OcrResult::statusText(const QString& text) {
    if (text.isEmpty()) {
        return QStringLiteral("No text recognized in image");
    }
    const int characters = characterCount(text);
    const int lines = int(text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
    return QStringLiteral("%1 characters, %2 lines").arg(characters).arg(lines);
}

int OcrResult::characterCount(const QString& text) {
    int count = 0;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    while (graphemes.toNextBoundary() != -1) {
        ++count;
    }
    return count;
}

std::optional<QString> OcrResult::joinedLines(const QString& text) {
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        return std::nullopt;
    }
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return flat.split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QLatin1Char(' '));
}

} // namespace mebo
