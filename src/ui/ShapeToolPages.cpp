#include "ui/ToolPages.h"

#include "ui/StyleOptions.h"
#include "ui/StylePage.h"

#include <QGridLayout>
#include <QPushButton>

namespace mebo::toolpages {

using namespace styleoptions;
using Look = ChoiceField::Look;

namespace {

const NumberRange kStrokeWidth{1, 50, 1, 0, QStringLiteral(" px")};
const NumberRange kRadius{0, 100, 1, 0, QStringLiteral(" px")};

void stroke(StylePage& page, bool width = true) {
    page.section(QStringLiteral("Stroke"));
    page.color(QStringLiteral("Colour"), styleField(&ToolStyles::strokeColor));
    if (width) {
        page.number(QStringLiteral("Width"), styleField(&ToolStyles::strokeWidth), kStrokeWidth);
    }
}

// Rectangle, ellipse and polygon share their group: outline style, fill and effects.
void filledShape(StylePage& page, void (*extra)(StylePage&) = nullptr) {
    stroke(page);
    page.choice(QStringLiteral("Line style"), styleField(&ToolStyles::shape, &ShapeToolStyle::lineStyle),
                lineStyles(), Look::segmented);
    if (extra) {
        page.section(QStringLiteral("Shape"));
        extra(page);
    }
    page.section(QStringLiteral("Fill"));
    page.optionalColor(QStringLiteral("Fill colour"),
                       styleField(&ToolStyles::shape, &ShapeToolStyle::fillColor), QStringLiteral("None"));
    page.gradient(QString(), styleField(&ToolStyles::shape, &ShapeToolStyle::gradient));
    page.section(QStringLiteral("Effects"));
    page.shadowAndOpacity(styleField(&ToolStyles::shape, &ShapeToolStyle::shadow),
                          styleField(&ToolStyles::shape, &ShapeToolStyle::opacity));
}

// Ready-made cuts: all four cut settings in one click.
void cutoutTiles(StylePage& page) {
    struct Tile {
        QString text;
        CutOutToolStyle style;
    };
    const QList<Tile> tiles{
        {QStringLiteral("Torn"), {CutOutOrientation::horizontal, CutOutEdgeStyle::torn, 1, 1}},
        {QStringLiteral("Zigzag"), {CutOutOrientation::horizontal, CutOutEdgeStyle::zigzag, 1.2, 0.8}},
        {QStringLiteral("Wave"), {CutOutOrientation::horizontal, CutOutEdgeStyle::wave, 0.8, 1}},
        {QStringLiteral("Torn Column"), {CutOutOrientation::vertical, CutOutEdgeStyle::torn, 1, 1.4}},
    };
    auto* grid = new QWidget;
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    for (int i = 0; i < tiles.size(); ++i) {
        auto* button = new QPushButton(tiles.at(i).text, grid);
        const CutOutToolStyle style = tiles.at(i).style;
        button->setToolTip(QStringLiteral("%1 cut, %2 edge, density %3, depth %4")
                               .arg(style.orientation == CutOutOrientation::horizontal
                                        ? QStringLiteral("Horizontal")
                                        : QStringLiteral("Vertical"),
                                    cutOutEdgeStyleDisplayName(style.edgeStyle).toLower())
                               .arg(style.density)
                               .arg(style.depth));
        QObject::connect(button, &QPushButton::clicked, &page,
                         [&page, style] { page.write([style](ToolStyles& s) { s.cutout = style; }, true); });
        layout->addWidget(button, i / 2, i % 2);
    }
    page.addRow(QStringLiteral("Presets"), grid);
}

} // namespace

bool build(StylePage& page) {
    switch (page.tool()) {
    case ToolKind::arrow:
        arrow(page);
        break;
    case ToolKind::line:
        line(page);
        break;
    case ToolKind::rect:
        rect(page);
        break;
    case ToolKind::ellipse:
        ellipse(page);
        break;
    case ToolKind::polygon:
        polygon(page);
        break;
    case ToolKind::pen:
        pen(page);
        break;
    case ToolKind::highlighter:
        highlighter(page);
        break;
    case ToolKind::eraser:
        eraser(page);
        break;
    case ToolKind::cutout:
        cutout(page);
        break;
    case ToolKind::crop:
        crop(page);
        break;
    case ToolKind::text:
        text(page);
        break;
    case ToolKind::callout:
        callout(page);
        break;
    case ToolKind::step:
        step(page);
        break;
    case ToolKind::stamp:
        stamp(page);
        break;
    case ToolKind::mosaic:
        mosaic(page);
        break;
    case ToolKind::blur:
        blur(page);
        break;
    case ToolKind::spotlight:
        spotlight(page);
        break;
    case ToolKind::magnify:
        magnify(page);
        break;
    case ToolKind::simplify:
        simplify(page);
        break;
    case ToolKind::fill:
        fill(page);
        break;
    case ToolKind::selection:
    case ToolKind::chapter:
        return false;
    }
    return true;
}

void arrow(StylePage& page) {
    auto a = [](auto member) { return styleField(&ToolStyles::arrow, member); };
    stroke(page);
    page.choice(QStringLiteral("Line style"), a(&ArrowToolStyle::lineStyle), lineStyles(), Look::segmented);
    page.optionalChoice(QStringLiteral("Line cap"), a(&ArrowToolStyle::lineCap), lineCaps(),
                        QStringLiteral("Auto"), Look::segmented);

    page.section(QStringLiteral("Heads"));
    page.choice(QStringLiteral("Head style"), a(&ArrowToolStyle::headStyle),
                QList<StyleOption<ArrowHeadStyle>>{{QStringLiteral("None"), ArrowHeadStyle::none, {}},
                                                   {QStringLiteral("Start"), ArrowHeadStyle::start, {}},
                                                   {QStringLiteral("End"), ArrowHeadStyle::end, {}},
                                                   {QStringLiteral("Both"), ArrowHeadStyle::both, {}}},
                Look::segmented);
    page.number(QStringLiteral("Head size"), a(&ArrowToolStyle::headSize), {0, 40, 0.5, 1, {}});
    page.number(QStringLiteral("Start width"), a(&ArrowToolStyle::startSize),
                {0.1, 3, 0.1, 1, QStringLiteral("×")});
    page.number(QStringLiteral("End width"), a(&ArrowToolStyle::endSize),
                {0.1, 3, 0.1, 1, QStringLiteral("×")});
    page.optionalColor(QStringLiteral("Head colour"), a(&ArrowToolStyle::headColor), QStringLiteral("Same"));
    page.toggle(QStringLiteral("Outline the heads"), a(&ArrowToolStyle::headOutline));
    page.beginCondition([](const ToolStyles& s) { return s.arrow.headOutline; });
    page.color(QStringLiteral("Outline colour"), a(&ArrowToolStyle::headOutlineColor));
    page.number(QStringLiteral("Outline width"), a(&ArrowToolStyle::headOutlineWidth),
                {0.5, 40, 0.5, 1, QStringLiteral(" px")});
    page.choice(QStringLiteral("Outline style"), a(&ArrowToolStyle::headOutlineStyle), lineStyles(),
                Look::segmented);
    page.endCondition();

    page.section(QStringLiteral("Effects"));
    page.shadowAndOpacity(a(&ArrowToolStyle::shadow), a(&ArrowToolStyle::opacity));
}

void line(StylePage& page) {
    stroke(page);
    page.choice(QStringLiteral("Line style"), styleField(&ToolStyles::shape, &ShapeToolStyle::lineStyle),
                lineStyles(), Look::segmented);
    page.optionalChoice(QStringLiteral("Line cap"), styleField(&ToolStyles::line, &LineToolStyle::lineCap),
                        lineCaps(), QStringLiteral("Auto"), Look::segmented);
    page.section(QStringLiteral("Effects"));
    page.shadowAndOpacity(styleField(&ToolStyles::shape, &ShapeToolStyle::shadow),
                          styleField(&ToolStyles::shape, &ShapeToolStyle::opacity));
}

void rect(StylePage& page) {
    filledShape(page, [](StylePage& p) {
        p.number(QStringLiteral("Corner radius"),
                 styleField(&ToolStyles::shape, &ShapeToolStyle::rectCornerRadius), kRadius);
    });
}

void ellipse(StylePage& page) {
    filledShape(page);
}

void polygon(StylePage& page) {
    filledShape(page, [](StylePage& p) {
        p.integer(QStringLiteral("Sides"), styleField(&ToolStyles::shape, &ShapeToolStyle::polygonSides),
                  {3, 12, 1, 0, {}});
        p.number(QStringLiteral("Inner ratio"),
                 styleField(&ToolStyles::shape, &ShapeToolStyle::polygonInnerRatio), {0.1, 1, 0.05, 2, {}});
        p.hint(QStringLiteral("An inner ratio below 1 makes a star."));
    });
}

void pen(StylePage& page) {
    auto p = [](auto member) { return styleField(&ToolStyles::pen, member); };
    stroke(page);
    page.choice(QStringLiteral("Line style"), p(&PenToolStyle::lineStyle), lineStyles(), Look::segmented);
    page.optionalChoice(QStringLiteral("Line cap"), p(&PenToolStyle::lineCap), lineCaps(),
                        QStringLiteral("Auto"), Look::segmented);
    page.optionalChoice(QStringLiteral("Line join"), p(&PenToolStyle::lineJoin), lineJoins(),
                        QStringLiteral("Auto"), Look::segmented);
    page.toggle(QStringLiteral("Smooth curves"), p(&PenToolStyle::smoothCurves));
    page.section(QStringLiteral("Effects"));
    page.shadowAndOpacity(p(&PenToolStyle::shadow), p(&PenToolStyle::opacity));
}

void highlighter(StylePage& page) {
    auto h = [](auto member) { return styleField(&ToolStyles::highlighter, member); };
    stroke(page, false);
    page.section(QStringLiteral("Shape"));
    page.choice(
        QStringLiteral("Shape"), h(&HighlighterToolStyle::shape),
        QList<StyleOption<HighlighterShape>>{{QStringLiteral("Rect"), HighlighterShape::rect, {}},
                                             {QStringLiteral("Rounded"), HighlighterShape::rounded, {}},
                                             {QStringLiteral("Ellipse"), HighlighterShape::ellipse, {}},
                                             {QStringLiteral("Underline"), HighlighterShape::underline, {}}},
        Look::menu);
    page.optionalNumber(QStringLiteral("Corner radius"), h(&HighlighterToolStyle::cornerRadius),
                        {0, 100, 1, 0, QStringLiteral(" px"), 1, 12});
    page.showWhen([](const ToolStyles& s) { return s.highlighter.shape == HighlighterShape::rounded; });
    page.optionalNumber(QStringLiteral("Underline thickness"), h(&HighlighterToolStyle::underlineThickness),
                        {1, 40, 1, 0, QStringLiteral(" px"), 1, 6});
    page.showWhen([](const ToolStyles& s) { return s.highlighter.shape == HighlighterShape::underline; });
    page.section(QStringLiteral("Effects"));
    page.shadowAndOpacity(h(&HighlighterToolStyle::shadow), h(&HighlighterToolStyle::opacity));
}

void eraser(StylePage& page) {
    page.section(QStringLiteral("Stroke"));
    page.number(QStringLiteral("Width"), styleField(&ToolStyles::eraser, &EraserToolStyle::width),
                {2, 120, 1, 0, QStringLiteral(" px")});
    page.hint(QStringLiteral("Erases the capture itself along the stroke; layers stay as they are."));
}

void cutout(StylePage& page) {
    auto c = [](auto member) { return styleField(&ToolStyles::cutout, member); };
    page.section(QStringLiteral("Cut"));
    page.choice(
        QStringLiteral("Direction"), c(&CutOutToolStyle::orientation),
        QList<StyleOption<CutOutOrientation>>{{QStringLiteral("Horizontal"), CutOutOrientation::horizontal,
                                               QStringLiteral("Remove a band of rows")},
                                              {QStringLiteral("Vertical"), CutOutOrientation::vertical,
                                               QStringLiteral("Remove a band of columns")}},
        Look::segmented);
    QList<StyleOption<CutOutEdgeStyle>> edges;
    for (CutOutEdgeStyle e : allCases<CutOutEdgeStyle>()) {
        edges.append({cutOutEdgeStyleDisplayName(e), e, {}});
    }
    page.choice(QStringLiteral("Edge"), c(&CutOutToolStyle::edgeStyle), edges, Look::segmented);
    cutoutTiles(page);
    auto decorated = [](const ToolStyles& s) { return s.cutout.edgeStyle != CutOutEdgeStyle::straight; };
    page.beginCondition(decorated);
    page.number(QStringLiteral("Edge density"), c(&CutOutToolStyle::density),
                {0.5, 3, 0.1, 1, QStringLiteral("×")});
    page.number(QStringLiteral("Edge depth"), c(&CutOutToolStyle::depth),
                {0.3, 2, 0.1, 1, QStringLiteral("×")});
    page.endCondition();
    page.hint(QStringLiteral("A straight cut removes the strip from the capture and joins the two parts."));
    page.showWhen([decorated](const ToolStyles& s) { return !decorated(s); });
}

void crop(StylePage& page) {
    page.hint(QStringLiteral("Drag over the capture to choose the area to keep. The crop is applied when "
                             "you release the mouse; Undo brings the full image back."));
}

} // namespace mebo::toolpages
