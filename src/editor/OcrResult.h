#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

namespace mebo {

// One recognised line and its box in the image's unit square (origin bottom-left).
struct OcrTextBlock {
    QString text;
    QRectF normalizedBoundingBox;
};

// What recognition found: the lines in reading order, and their texts joined by line feeds.
// An empty result (no text, no blocks) also stands for a failed recognition.
struct OcrResult {
    QString text;
    QList<OcrTextBlock> blocks;

    // Orders recognised lines for reading: higher on the page first (origin y larger by more than
    // 0.01), otherwise left to right; blank lines are dropped.
    static OcrResult inReadingOrder(QList<OcrTextBlock> observations);
    // The ordering itself, on two unit-square boxes.
    static bool readsBefore(const QRectF& a, const QRectF& b);

    // The result window's status line: "No text recognized in image", or "%d characters, %d
    // lines" counting user-perceived characters and non-empty lines.
    static QString statusText(const QString& text);
    // User-perceived characters (a carriage return and line feed are one).
    static int characterCount(const QString& text);
    // Join Lines: every line break becomes a space and runs of spaces collapse to one; nothing
    // when the text has no line break ("Already single line").
    static std::optional<QString> joinedLines(const QString& text);
};

} // namespace mebo
