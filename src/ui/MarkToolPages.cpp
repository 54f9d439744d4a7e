#include "ui/ToolPages.h"

#include "ui/StyleOptions.h"
#include "ui/StylePage.h"

namespace mebo::toolpages {

using namespace styleoptions;
using Look = ChoiceField::Look;

namespace {

const NumberRange kRadius{0, 100, 1, 0, QStringLiteral(" px")};
const NumberRange kBorderWidth{0, 20, 0.5, 1, QStringLiteral(" px")};
const NumberRange kFontSize{6, 200, 1, 0, QStringLiteral(" px")};
const NumberRange kPercent{0, 100, 1, 0, QStringLiteral(" %"), 100};

// Typography shared by text and callout (same field names in both groups).
template <typename Group> void typography(StylePage& page, Group ToolStyles::*group) {
    auto g = [group](auto member) { return styleField(group, member); };
    page.number(QStringLiteral("Size"), styleField(&ToolStyles::fontSize), kFontSize);
    page.font(QStringLiteral("Font"), g(&Group::fontFamily));
    page.choice(QStringLiteral("Weight"), g(&Group::fontWeight), fontWeights());
    page.choice(QStringLiteral("Alignment"), g(&Group::align), alignments(), Look::segmented);
    page.toggle(QStringLiteral("Italic"), g(&Group::italic));
    page.toggle(QStringLiteral("Underline"), g(&Group::underline));
    page.optionalChoice(QStringLiteral("Underline style"), g(&Group::underlineStyle), textLineStyles());
    page.showWhen([group](const ToolStyles& s) { return (s.*group).underline; });
    page.toggle(QStringLiteral("Strikethrough"), g(&Group::strike));
    page.optionalChoice(QStringLiteral("Strikethrough style"), g(&Group::strikeStyle), textLineStyles());
    page.showWhen([group](const ToolStyles& s) { return (s.*group).strike; });
    page.optionalNumber(QStringLiteral("Letter spacing"), g(&Group::tracking),
                        {-5, 20, 0.5, 1, QStringLiteral(" pt")});
    page.optionalNumber(QStringLiteral("Line height"), g(&Group::lineHeightMultiple),
                        {0.5, 3, 0.05, 2, QStringLiteral("×"), 1, 1});
}

// The shape, its corner radius (rounded shapes only) and the border of a box tool.
template <typename Group>
void boxShape(StylePage& page, Group ToolStyles::*group, MosaicShape Group::*shape,
              std::optional<double> Group::*cornerRadius) {
    page.choice(QStringLiteral("Shape"), styleField(group, shape), mosaicShapes(), Look::menu);
    page.optionalNumber(QStringLiteral("Corner radius"), styleField(group, cornerRadius), kRadius);
    page.showWhen(
        [group, shape](const ToolStyles& s) { return (s.*group).*shape == MosaicShape::roundedRect; });
}

template <typename Group> void border(StylePage& page, Group ToolStyles::*group) {
    auto g = [group](auto member) { return styleField(group, member); };
    page.section(QStringLiteral("Border"));
    page.number(QStringLiteral("Border width"), g(&Group::borderWidth), kBorderWidth);
    page.color(QStringLiteral("Border colour"), g(&Group::borderColor));
    page.showWhen([group](const ToolStyles& s) { return (s.*group).borderWidth > 0; });
    page.choice(QStringLiteral("Border style"), g(&Group::borderStyle), lineStyles(), Look::segmented);
    page.showWhen([group](const ToolStyles& s) { return (s.*group).borderWidth > 0; });
}

} // namespace

void text(StylePage& page) {
    auto t = [](auto member) { return styleField(&ToolStyles::text, member); };
    page.section(QStringLiteral("Font"));
    page.color(QStringLiteral("Colour"), styleField(&ToolStyles::strokeColor));
    typography(page, &ToolStyles::text);

    page.section(QStringLiteral("Outline"));
    page.color(QStringLiteral("Outline colour"), t(&TextToolStyle::outlineColor));
    page.optionalNumber(QStringLiteral("Outline width"), t(&TextToolStyle::outlineWidthPercent),
                        {0, 100, 1, 0, QStringLiteral(" %"), 1, 30});

    page.section(QStringLiteral("Background"));
    page.color(QStringLiteral("Background colour"), t(&TextToolStyle::backgroundColor));
    auto withBackground = [](const ToolStyles& s) { return s.text.backgroundColor.alphaF() > 0.01; };
    page.beginCondition(withBackground);
    page.optionalNumber(QStringLiteral("Corner radius"), t(&TextToolStyle::backgroundCornerRadius),
                        {0, 50, 1, 0, QStringLiteral(" px"), 1, 6});
    page.optionalNumber(QStringLiteral("Padding"), t(&TextToolStyle::backgroundPadding),
                        {0, 40, 1, 0, QStringLiteral(" px"), 1, 8});
    page.endCondition();

    page.section(QStringLiteral("Effects"));
    page.shadowAndOpacity(t(&TextToolStyle::shadow), t(&TextToolStyle::opacity));
}

void callout(StylePage& page) {
    auto c = [](auto member) { return styleField(&ToolStyles::callout, member); };
    page.section(QStringLiteral("Body"));
    page.choice(
        QStringLiteral("Shape"), c(&CalloutToolStyle::shape),
        QList<StyleOption<CalloutShape>>{{QStringLiteral("Speech Bubble"), CalloutShape::speechBubble, {}},
                                         {QStringLiteral("Rectangle"), CalloutShape::rectangle, {}},
                                         {QStringLiteral("Arrow"), CalloutShape::arrowRight, {}},
                                         {QStringLiteral("Rounded"), CalloutShape::roundedRect, {}},
                                         {QStringLiteral("Cloud"), CalloutShape::cloud, {}}});
    page.color(QStringLiteral("Colour"), styleField(&ToolStyles::strokeColor));
    page.gradient(QString(), c(&CalloutToolStyle::gradient));
    page.optionalNumber(QStringLiteral("Corner radius"), c(&CalloutToolStyle::cornerRadius),
                        {0, 100, 1, 0, QStringLiteral(" px"), 1, 18});
    page.number(QStringLiteral("Padding"), c(&CalloutToolStyle::padding),
                {0, 40, 1, 0, QStringLiteral(" px")});
    page.optionalColor(QStringLiteral("Outline colour"), c(&CalloutToolStyle::outlineColor),
                       QStringLiteral("None"));
    page.number(QStringLiteral("Outline width"), c(&CalloutToolStyle::outlineWidth), kBorderWidth);
    page.choice(QStringLiteral("Outline style"), c(&CalloutToolStyle::outlineStyle), lineStyles(),
                Look::segmented);

    page.section(QStringLiteral("Tail"));
    page.choice(
        QStringLiteral("Tail"), c(&CalloutToolStyle::tailStyle),
        QList<StyleOption<CalloutTailStyle>>{{QStringLiteral("None"), CalloutTailStyle::none, {}},
                                             {QStringLiteral("Triangle"), CalloutTailStyle::triangle, {}},
                                             {QStringLiteral("Arrow"), CalloutTailStyle::arrow, {}}},
        Look::segmented);
    page.beginCondition([](const ToolStyles& s) { return s.callout.tailStyle != CalloutTailStyle::none; });
    page.optionalColor(QStringLiteral("Tail colour"), c(&CalloutToolStyle::tailColor),
                       QStringLiteral("Same"));
    page.optionalNumber(QStringLiteral("Tail size"), c(&CalloutToolStyle::tailSize),
                        {6, 100, 1, 0, QStringLiteral(" px"), 1, 18});
    page.optionalChoice(QStringLiteral("Tail side"), c(&CalloutToolStyle::tailAnchor),
                        QList<StyleOption<CalloutTailAnchor>>{
                            {QStringLiteral("Facing the tip"), CalloutTailAnchor::auto_, {}},
                            {QStringLiteral("Top"), CalloutTailAnchor::top, {}},
                            {QStringLiteral("Right"), CalloutTailAnchor::right, {}},
                            {QStringLiteral("Bottom"), CalloutTailAnchor::bottom, {}},
                            {QStringLiteral("Left"), CalloutTailAnchor::left, {}}});
    page.optionalChoice(QStringLiteral("Tail line style"), c(&CalloutToolStyle::tailLineStyle), lineStyles());
    page.optionalChoice(QStringLiteral("Tail line cap"), c(&CalloutToolStyle::tailLineCap), lineCaps());
    page.endCondition();

    page.section(QStringLiteral("Text"));
    page.color(QStringLiteral("Text colour"), c(&CalloutToolStyle::textColor));
    typography(page, &ToolStyles::callout);

    page.section(QStringLiteral("Effects"));
    page.shadowAndOpacity(c(&CalloutToolStyle::shadow), c(&CalloutToolStyle::opacity));
}

void step(StylePage& page) {
    auto st = [](auto member) { return styleField(&ToolStyles::step, member); };
    page.section(QStringLiteral("Badge"));
    page.integer(QStringLiteral("Next number"), st(&StepToolStyle::count), {0, 999, 1, 0, {}});
    page.choice(
        QStringLiteral("Sequence"), st(&StepToolStyle::sequence),
        QList<StyleOption<StepSequence>>{{QStringLiteral("1, 2, 3"), StepSequence::numeric, {}},
                                         {QStringLiteral("A, B, C"), StepSequence::upperLetter, {}},
                                         {QStringLiteral("a, b, c"), StepSequence::lowerLetter, {}},
                                         {QStringLiteral("I, II, III"), StepSequence::upperRoman, {}},
                                         {QStringLiteral("i, ii, iii"), StepSequence::lowerRoman, {}}});
    page.choice(QStringLiteral("Shape"), st(&StepToolStyle::shape),
                QList<StyleOption<StepShape>>{{QStringLiteral("Circle"), StepShape::circle, {}},
                                              {QStringLiteral("Square"), StepShape::square, {}},
                                              {QStringLiteral("Rounded"), StepShape::roundedSquare, {}},
                                              {QStringLiteral("Teardrop"), StepShape::teardrop, {}}});
    page.optionalNumber(QStringLiteral("Corner radius"), st(&StepToolStyle::cornerRadius),
                        {0, 40, 1, 0, QStringLiteral(" px")});
    page.showWhen([](const ToolStyles& s) { return s.step.shape == StepShape::roundedSquare; });
    page.number(QStringLiteral("Radius"), st(&StepToolStyle::radius), {6, 80, 1, 0, QStringLiteral(" px")});
    page.color(QStringLiteral("Colour"), styleField(&ToolStyles::strokeColor));

    page.section(QStringLiteral("Label"));
    page.color(QStringLiteral("Text colour"), st(&StepToolStyle::textColor));
    page.font(QStringLiteral("Font"), st(&StepToolStyle::fontFamily));
    page.choice(QStringLiteral("Weight"), st(&StepToolStyle::fontWeight), fontWeights());

    page.section(QStringLiteral("Outline"));
    page.number(QStringLiteral("Outline width"), st(&StepToolStyle::outlineWidth),
                {0, 12, 0.5, 1, QStringLiteral(" px")});
    page.beginCondition([](const ToolStyles& s) { return s.step.outlineWidth > 0; });
    page.color(QStringLiteral("Outline colour"), st(&StepToolStyle::outlineColor));
    page.choice(QStringLiteral("Outline style"), st(&StepToolStyle::outlineStyle), lineStyles(),
                Look::segmented);
    page.endCondition();

    page.section(QStringLiteral("Effects"));
    page.shadowAndOpacity(st(&StepToolStyle::shadow), st(&StepToolStyle::opacity));
}

// The symbol grid and the import button are added by the panel, which owns the stamp store.
void stamp(StylePage& page) {
    auto st = [](auto member) { return styleField(&ToolStyles::stamp, member); };
    page.section(QStringLiteral("Appearance"));
    page.number(QStringLiteral("Size"), st(&StampToolStyle::size), {16, 512, 1, 0, QStringLiteral(" px")});
    page.color(QStringLiteral("Tint"), styleField(&ToolStyles::strokeColor));
    page.showWhen(
        [](const ToolStyles& s) { return !s.stamp.customImagePath || s.stamp.customImagePath->isEmpty(); });
    page.section(QStringLiteral("Effects"));
    page.shadowAndOpacity(st(&StampToolStyle::shadow), st(&StampToolStyle::opacity));
}

void mosaic(StylePage& page) {
    auto m = [](auto member) { return styleField(&ToolStyles::mosaic, member); };
    page.section(QStringLiteral("Cover"));
    page.choice(QStringLiteral("Style"), m(&MosaicToolStyle::style),
                QList<StyleOption<MosaicStyle>>{{QStringLiteral("Pixelate"), MosaicStyle::pixelate, {}},
                                                {QStringLiteral("Blur"), MosaicStyle::gaussian, {}},
                                                {QStringLiteral("Solid"), MosaicStyle::solid, {}}},
                Look::segmented);
    page.number(QStringLiteral("Block size"), m(&MosaicToolStyle::blockSize),
                {2, 80, 1, 0, QStringLiteral(" px")});
    page.showWhen([](const ToolStyles& s) { return s.mosaic.style == MosaicStyle::pixelate; });
    page.number(QStringLiteral("Blur radius"), m(&MosaicToolStyle::blurRadius),
                {1, 80, 1, 0, QStringLiteral(" px")});
    page.showWhen([](const ToolStyles& s) { return s.mosaic.style == MosaicStyle::gaussian; });
    page.color(QStringLiteral("Colour"), m(&MosaicToolStyle::solidColor));
    page.showWhen([](const ToolStyles& s) { return s.mosaic.style == MosaicStyle::solid; });
    boxShape(page, &ToolStyles::mosaic, &MosaicToolStyle::shape, &MosaicToolStyle::cornerRadius);
    page.hint(QStringLiteral("The polygon shape follows the outline you draw."));
    page.showWhen([](const ToolStyles& s) { return s.mosaic.shape == MosaicShape::polygon; });
}

void blur(StylePage& page) {
    auto m = [](auto member) { return styleField(&ToolStyles::mosaic, member); };
    page.section(QStringLiteral("Cover"));
    page.number(QStringLiteral("Blur radius"), m(&MosaicToolStyle::blurRadius),
                {1, 80, 1, 0, QStringLiteral(" px")});
    boxShape(page, &ToolStyles::mosaic, &MosaicToolStyle::shape, &MosaicToolStyle::cornerRadius);
}

void spotlight(StylePage& page) {
    auto sp = [](auto member) { return styleField(&ToolStyles::spotlight, member); };
    page.section(QStringLiteral("Lit area"));
    boxShape(page, &ToolStyles::spotlight, &SpotlightToolStyle::shape, &SpotlightToolStyle::cornerRadius);
    page.number(QStringLiteral("Dimming"), sp(&SpotlightToolStyle::dimAlpha), kPercent);
    page.optionalColor(QStringLiteral("Dim colour"), sp(&SpotlightToolStyle::dimColor),
                       QStringLiteral("Black"));
    border(page, &ToolStyles::spotlight);
}

void magnify(StylePage& page) {
    auto m = [](auto member) { return styleField(&ToolStyles::magnify, member); };
    page.section(QStringLiteral("Lens"));
    page.choice(QStringLiteral("Shape"), m(&MagnifyToolStyle::shape),
                QList<StyleOption<MagnifyShape>>{{QStringLiteral("Circle"), MagnifyShape::circle, {}},
                                                 {QStringLiteral("Rect"), MagnifyShape::rect, {}},
                                                 {QStringLiteral("Rounded"), MagnifyShape::roundedRect, {}}},
                Look::segmented);
    page.optionalNumber(QStringLiteral("Corner radius"), m(&MagnifyToolStyle::cornerRadius), kRadius);
    page.showWhen([](const ToolStyles& s) { return s.magnify.shape == MagnifyShape::roundedRect; });
    page.number(QStringLiteral("Zoom"), m(&MagnifyToolStyle::zoom), {1, 8, 0.25, 2, QStringLiteral("×")});
    page.number(QStringLiteral("Lens size"), m(&MagnifyToolStyle::lensSize),
                {40, 800, 10, 0, QStringLiteral(" px")});
    page.number(QStringLiteral("Source offset X"), m(&MagnifyToolStyle::sourceOffsetX),
                {-500, 500, 1, 0, QStringLiteral(" px")});
    page.number(QStringLiteral("Source offset Y"), m(&MagnifyToolStyle::sourceOffsetY),
                {-500, 500, 1, 0, QStringLiteral(" px")});

    page.section(QStringLiteral("Border"));
    page.number(QStringLiteral("Border width"), m(&MagnifyToolStyle::borderWidth), kBorderWidth);
    page.choice(QStringLiteral("Border style"), m(&MagnifyToolStyle::borderStyle), lineStyles(),
                Look::segmented);
    page.showWhen([](const ToolStyles& s) { return s.magnify.borderWidth > 0; });

    page.section(QStringLiteral("Effects"));
    page.shadowAndOpacity(m(&MagnifyToolStyle::shadow), m(&MagnifyToolStyle::opacity));
}

void simplify(StylePage& page) {
    page.section(QStringLiteral("Shape"));
    page.hint(QStringLiteral("Covers the dragged area with its surrounding colour."));
    boxShape(page, &ToolStyles::simplify, &SimplifyToolStyle::shape, &SimplifyToolStyle::cornerRadius);
    border(page, &ToolStyles::simplify);
}

// The mode's own rows; the busy line is added by the panel.
void fill(StylePage& page) {
    auto f = [](auto member) { return styleField(&ToolStyles::fill, member); };
    page.section(QStringLiteral("Mode"));
    page.choice(QStringLiteral("Mode"), f(&FillToolStyle::mode),
                QList<StyleOption<FillMode>>{
                    {QStringLiteral("Image"), FillMode::fullImage, QStringLiteral("Cover the whole image")},
                    {QStringLiteral("Region"), FillMode::region,
                     QStringLiteral("Fill the connected area of similar colour")},
                    {QStringLiteral("Global"), FillMode::global,
                     QStringLiteral("Fill every pixel of similar colour")}},
                Look::segmented);
    page.color(QStringLiteral("Colour"), f(&FillToolStyle::color));

    page.beginCondition([](const ToolStyles& s) { return s.fill.mode == FillMode::fullImage; });
    page.number(QStringLiteral("Opacity"), f(&FillToolStyle::fullImageAlpha),
                {5, 100, 1, 0, QStringLiteral(" %"), 100});
    page.gradient(QString(), f(&FillToolStyle::fullImageGradient));
    page.endCondition();

    page.beginCondition([](const ToolStyles& s) { return s.fill.mode != FillMode::fullImage; });
    page.number(QStringLiteral("Tolerance"), f(&FillToolStyle::regionTolerance), {0, 100, 1, 0, {}});
    page.number(QStringLiteral("Opacity"), f(&FillToolStyle::regionAlpha), kPercent);
    page.toggle(QStringLiteral("Erase instead of painting"), f(&FillToolStyle::regionTransparent));
    page.endCondition();
}

} // namespace mebo::toolpages
