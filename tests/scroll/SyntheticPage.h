#pragma once

#include <QColor>
#include <QImage>
#include <QList>

namespace mebo::test {

// A tall page of text to cut scroll frames from: headings, paragraphs of varied words and a few
// table rows, drawn with a seeded generator so that no two screens look alike. `dark` draws light
// text on a dark background.
QImage syntheticPage(int width, int height, bool dark = false, quint32 seed = 7);

// A code listing: numbered lines of monospaced text at 19 rows each, indented, mostly short, with
// blank lines, so that the middle columns of a wide view show little.
QImage syntheticCodePage(int width, int height, quint32 seed = 7);

// The frame of `page` showing rows [top, top + height), with `header` (when not null) drawn over
// its first rows, as a fixed page header stays on screen.
QImage frameAt(const QImage& page, int top, int height, const QImage& header = QImage());

// Tops of frames that step through a page: `steps` added one after the other from 0, stopping
// at `last` (the last top a frame can have); the last top is `last` when the steps pass it.
QList<int> frameTops(const QList<int>& steps, int last);

} // namespace mebo::test
