#pragma once

namespace mebo {

class StylePage;

// The rows of each tool's settings page, declared per tool.
namespace toolpages {

// Fills the page of `page.tool()`; false for a tool with no settings of its own.
bool build(StylePage& page);

// Stroked shapes and cuts.
void arrow(StylePage& page);
void line(StylePage& page);
void rect(StylePage& page);
void ellipse(StylePage& page);
void polygon(StylePage& page);
void pen(StylePage& page);
void highlighter(StylePage& page);
void eraser(StylePage& page);
void cutout(StylePage& page);
void crop(StylePage& page);

// Marks, covers and fills.
void text(StylePage& page);
void callout(StylePage& page);
void step(StylePage& page);
void stamp(StylePage& page);
void mosaic(StylePage& page);
void blur(StylePage& page);
void spotlight(StylePage& page);
void magnify(StylePage& page);
void simplify(StylePage& page);
void fill(StylePage& page);

} // namespace toolpages
} // namespace mebo
