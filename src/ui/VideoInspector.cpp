#include "ui/VideoInspector.h"

#include "ui/ColorButton.h"
#include "ui/GradientField.h"
#include "video/CropDrag.h"
#include "video/VideoAnnotations.h"
#include "video/VideoEditorVM.h"
#include "video/VideoOutputSize.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

namespace mebo {

namespace {

QSlider* slider(int min, int max, QWidget* parent) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(min, max);
    return s;
}

QString titleOf(WebcamLayoutPreset p) {
    switch (p) {
    case WebcamLayoutPreset::topLeft:
        return QObject::tr("Top Left");
    case WebcamLayoutPreset::topRight:
        return QObject::tr("Top Right");
    case WebcamLayoutPreset::bottomLeft:
        return QObject::tr("Bottom Left");
    case WebcamLayoutPreset::bottomRight:
        return QObject::tr("Bottom Right");
    case WebcamLayoutPreset::center:
        return QObject::tr("Center");
    case WebcamLayoutPreset::custom:
        return QObject::tr("Custom");
    }
    return {};
}

QColor colourOf(const ColorRGBA& stored, const std::array<double, 4>& defaults) {
    const auto c = rgbaComponents(stored, defaults);
    return QColor::fromRgbF(float(c[0]), float(c[1]), float(c[2]), float(c[3]));
}

QString titleOf(WebcamSizePreset p) {
    switch (p) {
    case WebcamSizePreset::small:
        return QObject::tr("Small");
    case WebcamSizePreset::medium:
        return QObject::tr("Medium");
    case WebcamSizePreset::large:
        return QObject::tr("Large");
    case WebcamSizePreset::custom:
        return QObject::tr("Custom");
    }
    return {};
}

} // namespace

VideoInspector::VideoInspector(VideoEditorVM& vm, std::optional<QSizeF> sourceSize, bool hasWebcam,
                               QWidget* parent)
    : QWidget(parent), vm_(vm), sourceSize_(sourceSize) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    pages_ = new QTabWidget(this);
    pages_->addTab(canvasPage(), tr("Canvas"));
    pages_->addTab(exportPage(sourceSize), tr("Export"));
    pages_->addTab(webcamPage(), tr("Webcam"));
    pages_->setTabEnabled(2, hasWebcam);
    pages_->addTab(cursorPage(), tr("Cursor"));
    pages_->addTab(annotationPage(), tr("Annotation"));
    pages_->addTab(cropPage(), tr("Crop"));
    layout->addWidget(pages_);
    layout->addStretch(1);
    nameControlsByLabels();
    // Every tab's title whole: no scroll arrows over a clipped last tab.
    pages_->setUsesScrollButtons(false);
    setMinimumWidth(340);
    connect(&vm_, &VideoEditorVM::stateChanged, this, &VideoInspector::refresh);
    connect(&vm_, &VideoEditorVM::selectionChanged, this, &VideoInspector::refresh);
    refresh();
}

void VideoInspector::nameControlsByLabels() {
    // Screen readers (and desktop tests) know each control by its row's label, without the colon.
    for (QFormLayout* form : pages_->findChildren<QFormLayout*>()) {
        for (int row = 0; row < form->rowCount(); ++row) {
            QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole);
            QLayoutItem* field = form->itemAt(row, QFormLayout::FieldRole);
            const auto* text = label ? qobject_cast<QLabel*>(label->widget()) : nullptr;
            if (text && field && field->widget() && field->widget()->accessibleName().isEmpty()) {
                QString name = text->text();
                if (name.endsWith(QLatin1Char(':'))) {
                    name.chop(1);
                }
                field->widget()->setAccessibleName(name);
            }
        }
    }
}

QWidget* VideoInspector::canvasPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    background_ = new QCheckBox(tr("Show background"), page);
    color_ = new ColorButton(ColorButton::Role::picker, page);
    color_->setDialogTitle(tr("Background Colour"));
    gradient_ = new GradientField(page);
    padding_ = slider(0, 200, page);
    corners_ = slider(0, 60, page);
    shadow_ = new QCheckBox(tr("Drop shadow"), page);
    shadowIntensity_ = slider(0, 100, page);
    aspect_ = new QComboBox(page);
    for (const auto& choice : VideoOutputSize::aspectChoices()) {
        aspect_->addItem(choice.title);
    }
    motionBlur_ = slider(0, 100, page);
    form->addRow(background_);
    form->addRow(tr("Colour:"), color_);
    form->addRow(tr("Wallpaper:"), gradient_);
    form->addRow(tr("Padding:"), padding_);
    form->addRow(tr("Corner radius:"), corners_);
    form->addRow(shadow_);
    form->addRow(tr("Intensity:"), shadowIntensity_);
    form->addRow(tr("Aspect:"), aspect_);
    form->addRow(tr("Motion blur:"), motionBlur_);

    connect(background_, &QCheckBox::toggled, this,
            [this](bool on) { vm_.changeSettings([on](VideoSnapshot& s) { s.showBackground = on; }); });
    connect(color_, &ColorButton::colorPicked, this, [this](const QColor& c) {
        vm_.changeSettings([c](VideoSnapshot& s) {
            s.backgroundColorRGBA = {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
            s.wallpaperGradient.reset();
            s.showBackground = true;
        });
    });
    onSlide(padding_, QStringLiteral("padding"), [](VideoSnapshot& s, int v) { s.backgroundPadding = v; });
    onSlide(corners_, QStringLiteral("corners"),
            [](VideoSnapshot& s, int v) { s.backgroundCornerRadius = v; });
    // A wallpaper shows the background; switched off the plain colour comes back.
    connect(gradient_, &GradientField::edited, this, [this](const std::optional<GradientFill>& g) {
        vm_.changeSettings([&g](VideoSnapshot& s) {
            s.wallpaperGradient = g;
            s.showBackground = s.showBackground || g.has_value();
        });
    });
    connect(shadow_, &QCheckBox::toggled, this,
            [this](bool on) { vm_.changeSettings([on](VideoSnapshot& s) { s.showShadow = on; }); });
    onSlide(shadowIntensity_, QStringLiteral("shadow"),
            [](VideoSnapshot& s, int v) { s.shadowIntensity = v / 100.0; });
    connect(aspect_, &QComboBox::activated, this, [this](int i) {
        const auto ratio = VideoOutputSize::aspectChoices().value(i).ratio;
        vm_.changeSettings([ratio](VideoSnapshot& s) { s.canvasAspectRatio = ratio; });
    });
    onSlide(motionBlur_, QStringLiteral("motionBlur"),
            [](VideoSnapshot& s, int v) { s.motionBlurAmount = v / 100.0; });
    return page;
}

QWidget* VideoInspector::exportPage(std::optional<QSizeF> sourceSize) {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    fps_ = new QComboBox(page);
    fps_->addItem(tr("Original"));
    for (int f : VideoOutputSize::exportFpsChoices()) {
        fps_->addItem(QStringLiteral("%1 fps").arg(f), f);
    }
    resolution_ = new QComboBox(page);
    resolution_->addItem(VideoOutputSize::resolutionTitle(std::nullopt, sourceSize));
    for (int h : VideoOutputSize::exportHeightChoices()) {
        resolution_->addItem(VideoOutputSize::resolutionTitle(h, sourceSize), h);
    }
    form->addRow(tr("Frame rate:"), fps_);
    form->addRow(tr("Resolution:"), resolution_);
    connect(fps_, &QComboBox::activated, this, [this](int i) {
        const QVariant v = fps_->itemData(i);
        vm_.changeSettings([v](VideoSnapshot& s) {
            s.exportFps = v.isValid() ? std::optional<qint64>(v.toInt()) : std::nullopt;
        });
    });
    connect(resolution_, &QComboBox::activated, this, [this](int i) {
        const QVariant v = resolution_->itemData(i);
        vm_.changeSettings([v](VideoSnapshot& s) {
            s.exportResolutionHeight = v.isValid() ? std::optional<qint64>(v.toInt()) : std::nullopt;
        });
    });
    return page;
}

QWidget* VideoInspector::webcamPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    webcamVisible_ = new QCheckBox(tr("Show webcam"), page);
    webcamLayout_ = new QComboBox(page);
    for (auto p : allCases<WebcamLayoutPreset>()) {
        webcamLayout_->addItem(titleOf(p), int(p));
    }
    webcamSize_ = new QComboBox(page);
    for (auto p : allCases<WebcamSizePreset>()) {
        webcamSize_->addItem(titleOf(p), int(p));
    }
    webcamScale_ = slider(5, 100, page);
    webcamShape_ = new QComboBox(page);
    for (const auto& [shape, title] : {std::pair{WebcamMaskShape::rounded, tr("Rounded")},
                                       std::pair{WebcamMaskShape::circle, tr("Circle")},
                                       std::pair{WebcamMaskShape::rect, tr("Rectangle")}}) {
        webcamShape_->addItem(title, int(shape));
    }
    webcamX_ = slider(0, 100, page);
    webcamY_ = slider(0, 100, page);
    form->addRow(webcamVisible_);
    form->addRow(tr("Position:"), webcamLayout_);
    form->addRow(tr("Horizontal:"), webcamX_);
    form->addRow(tr("Vertical:"), webcamY_);
    form->addRow(tr("Size:"), webcamSize_);
    form->addRow(tr("Scale:"), webcamScale_);
    form->addRow(tr("Shape:"), webcamShape_);
    connect(webcamShape_, &QComboBox::activated, this, [this](int i) {
        const auto shape = WebcamMaskShape(webcamShape_->itemData(i).toInt());
        vm_.changeSettings([shape](VideoSnapshot& s) {
            WebcamLayout l = s.webcamLayout.value_or(WebcamLayout::defaultLayout());
            l.maskShape = shape;
            s.webcamLayout = l;
        });
    });
    // A dragged position is the custom placement (the centre, fractions of the frame, y down),
    // starting from where the webcam is on the output.
    const auto place = [this](VideoSnapshot& s, std::optional<int> x, std::optional<int> y) {
        WebcamLayout l =
            s.webcamLayout.value_or(WebcamLayout::defaultLayout()).withCustomPositionIn(outputFrame(s));
        l.x = x ? *x / 100.0 : l.x;
        l.y = y ? 1 - *y / 100.0 : l.y;
        s.webcamLayout = l;
    };
    onSlide(webcamX_, QStringLiteral("webcamX"), [place](VideoSnapshot& s, int v) { place(s, v, {}); });
    onSlide(webcamY_, QStringLiteral("webcamY"), [place](VideoSnapshot& s, int v) { place(s, {}, v); });
    connect(webcamVisible_, &QCheckBox::toggled, this, [this](bool on) {
        vm_.changeSettings([on](VideoSnapshot& s) {
            WebcamLayout l = s.webcamLayout.value_or(WebcamLayout::defaultLayout());
            l.visible = on;
            s.webcamLayout = l;
        });
    });
    connect(webcamLayout_, &QComboBox::activated, this, [this](int i) {
        vm_.chooseWebcamLayoutPreset(WebcamLayoutPreset(webcamLayout_->itemData(i).toInt()));
    });
    connect(webcamSize_, &QComboBox::activated, this, [this](int i) {
        vm_.chooseWebcamSizePreset(WebcamSizePreset(webcamSize_->itemData(i).toInt()));
    });
    // A dragged scale is a custom size.
    onSlide(webcamScale_, QStringLiteral("webcamScale"), [](VideoSnapshot& s, int v) {
        WebcamLayout l = s.webcamLayout.value_or(WebcamLayout::defaultLayout());
        l.scale = v / 100.0;
        l.sizePreset = WebcamSizePreset::custom;
        s.webcamLayout = l;
    });
    return page;
}

QWidget* VideoInspector::cursorPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    trail_ = new QCheckBox(tr("Cursor trail"), page);
    ripple_ = new QCheckBox(tr("Click ripples"), page);
    trailWindow_ = slider(1, 50, page); // tenths of a second
    trailWidth_ = slider(1, 60, page);
    trailColor_ = new ColorButton(ColorButton::Role::picker, page);
    trailColor_->setDialogTitle(tr("Trail Colour"));
    rippleDuration_ = slider(1, 30, page); // tenths of a second
    rippleRadius_ = slider(5, 200, page);
    rippleColor_ = new ColorButton(ColorButton::Role::picker, page);
    rippleColor_->setDialogTitle(tr("Ripple Colour"));
    form->addRow(trail_);
    form->addRow(tr("Length:"), trailWindow_);
    form->addRow(tr("Width:"), trailWidth_);
    form->addRow(tr("Colour:"), trailColor_);
    form->addRow(ripple_);
    form->addRow(tr("Duration:"), rippleDuration_);
    form->addRow(tr("Radius:"), rippleRadius_);
    form->addRow(tr("Colour:"), rippleColor_);
    onSlide(trailWindow_, QStringLiteral("trailWindow"),
            [](VideoSnapshot& s, int v) { s.cursorTrailWindowSec = v / 10.0; });
    onSlide(trailWidth_, QStringLiteral("trailWidth"),
            [](VideoSnapshot& s, int v) { s.cursorTrailWidth = v; });
    onSlide(rippleDuration_, QStringLiteral("rippleDuration"),
            [](VideoSnapshot& s, int v) { s.clickRippleDurationSec = v / 10.0; });
    onSlide(rippleRadius_, QStringLiteral("rippleRadius"),
            [](VideoSnapshot& s, int v) { s.clickRippleRadiusPx = v; });
    connect(trailColor_, &ColorButton::colorPicked, this, [this](const QColor& c) {
        vm_.changeSettings([c](VideoSnapshot& s) {
            s.cursorTrailColorRGBA = {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
        });
    });
    connect(rippleColor_, &ColorButton::colorPicked, this, [this](const QColor& c) {
        vm_.changeSettings([c](VideoSnapshot& s) {
            s.clickRippleColorRGBA = {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
        });
    });
    connect(trail_, &QCheckBox::toggled, this,
            [this](bool on) { vm_.changeSettings([on](VideoSnapshot& s) { s.showCursorTrail = on; }); });
    connect(ripple_, &QCheckBox::toggled, this,
            [this](bool on) { vm_.changeSettings([on](VideoSnapshot& s) { s.showClickRipple = on; }); });
    return page;
}

QWidget* VideoInspector::annotationPage() {
    annotationPage_ = new QWidget(this);
    auto* form = new QFormLayout(annotationPage_);
    annotationText_ = new QLineEdit(annotationPage_);
    annotationText_->setPlaceholderText(tr("Text"));
    annotationColor_ = new ColorButton(ColorButton::Role::picker, annotationPage_);
    annotationColor_->setDialogTitle(tr("Annotation Colour"));
    fontSize_ = new QSpinBox(annotationPage_);
    fontSize_->setRange(6, 200);
    lineStyle_ = new QComboBox(annotationPage_);
    for (const auto& [style, title] :
         {std::pair{ArrowLineStyle::solid, tr("Solid")}, std::pair{ArrowLineStyle::dashed, tr("Dashed")},
          std::pair{ArrowLineStyle::dotted, tr("Dotted")}}) {
        lineStyle_->addItem(title, rawValue(style));
    }
    arrowHeads_ = new QComboBox(annotationPage_);
    for (const auto& [head, title] :
         {std::pair{ArrowHeadStyle::end, tr("At the end")},
          std::pair{ArrowHeadStyle::start, tr("At the start")},
          std::pair{ArrowHeadStyle::both, tr("At both ends")}, std::pair{ArrowHeadStyle::none, tr("None")}}) {
        arrowHeads_->addItem(title, rawValue(head));
    }
    direction_ = new QComboBox(annotationPage_);
    const QStringList directionTitles{tr("↘ Down right"), tr("↗ Up right"), tr("↙ Down left"),
                                      tr("↖ Up left")};
    for (int i = 0; i < VideoAnnotations::lineDirections().size(); ++i) {
        direction_->addItem(directionTitles.value(i), VideoAnnotations::lineDirections()[i]);
    }
    fontSizeLabel_ = new QLabel(tr("Font size:"), annotationPage_);
    form->addRow(tr("Text:"), annotationText_);
    form->addRow(tr("Colour:"), annotationColor_);
    form->addRow(fontSizeLabel_, fontSize_);
    form->addRow(tr("Line:"), lineStyle_);
    form->addRow(tr("Arrow heads:"), arrowHeads_);
    form->addRow(tr("Direction:"), direction_);
    const auto onChoice = [this](QComboBox* box, void (*apply)(AnnotationRegion&, const QString&)) {
        connect(box, &QComboBox::activated, this, [this, box, apply](int i) {
            const QString raw = box->itemData(i).toString();
            editAnnotation([&](AnnotationRegion& a) { apply(a, raw); });
        });
    };
    onChoice(lineStyle_, [](AnnotationRegion& a, const QString& raw) { a.lineStyleRaw = raw; });
    onChoice(arrowHeads_, [](AnnotationRegion& a, const QString& raw) { a.arrowHeadStyleRaw = raw; });
    onChoice(direction_, [](AnnotationRegion& a, const QString& raw) { a.lineDirectionRaw = raw; });
    // The text is one undo step when editing ends, not one per key.
    connect(annotationText_, &QLineEdit::editingFinished, this, [this] {
        const QString text = annotationText_->text();
        editAnnotation([text](AnnotationRegion& a) { a.text = text; });
    });
    connect(annotationColor_, &ColorButton::colorPicked, this, [this](const QColor& c) {
        editAnnotation([c](AnnotationRegion& a) {
            a.colorRGBA = {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
        });
    });
    connect(fontSize_, &QSpinBox::valueChanged, this,
            [this](int v) { editAnnotation([v](AnnotationRegion& a) { a.fontSize = v; }); });
    return annotationPage_;
}

void VideoInspector::onSlide(QSlider* slider, const QString& gesture,
                             std::function<void(VideoSnapshot&, int)> apply) {
    connect(slider, &QSlider::valueChanged, this, [this, gesture, apply](int v) {
        vm_.changeSettings([&](VideoSnapshot& s) { apply(s, v); }, gesture);
    });
    connect(slider, &QSlider::sliderReleased, &vm_, &VideoEditorVM::endSettingsGesture);
}

QWidget* VideoInspector::cropPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    drawCrop_ = new QPushButton(tr("Draw Crop"), page);
    drawCrop_->setCheckable(true);
    drawCrop_->setToolTip(tr("Drag the handles on the picture; drag inside to move the crop."));
    cropLock_ = new QCheckBox(tr("Lock aspect ratio"), page);
    cropAspect_ = new QComboBox(page);
    cropAspect_->addItem(tr("Free"));
    for (const auto& choice : VideoOutputSize::aspectChoices()) {
        if (choice.ratio) {
            cropAspect_->addItem(choice.title, *choice.ratio);
        }
    }
    cropAspect_->setEnabled(sourceSize_.has_value());
    resetCrop_ = new QPushButton(tr("Reset Crop"), page);
    cropLabel_ = new QLabel(page);
    form->addRow(drawCrop_);
    form->addRow(cropLock_);
    form->addRow(tr("Aspect:"), cropAspect_);
    form->addRow(cropLabel_);
    form->addRow(resetCrop_);
    connect(drawCrop_, &QPushButton::toggled, this, &VideoInspector::cropEditingToggled);
    connect(cropLock_, &QCheckBox::toggled, this, [this](bool on) { vm_.setCropAspectLocked(on); });
    connect(cropAspect_, &QComboBox::activated, this, [this](int i) {
        const QVariant ratio = cropAspect_->itemData(i);
        if (ratio.isValid() && sourceSize_) {
            vm_.setCropAspect(ratio.toDouble(), *sourceSize_);
        } else {
            vm_.setCropAspectLocked(false);
        }
    });
    connect(resetCrop_, &QPushButton::clicked, this, [this] { vm_.setCrop(std::nullopt); });
    return page;
}

void VideoInspector::refreshCrop() {
    const VideoSnapshot& s = vm_.state();
    const QSignalBlocker b1(cropLock_), b2(cropAspect_);
    cropLock_->setChecked(s.cropAspectLocked);
    resetCrop_->setEnabled(s.cropRect.has_value());
    // The aspect shown is the crop's when it is locked and matches a choice.
    int aspect = 0;
    if (s.cropAspectLocked && sourceSize_) {
        const QRectF c = s.cropRect.value_or(QRectF(0, 0, 1, 1));
        const double ratio = c.width() * sourceSize_->width() / (c.height() * sourceSize_->height());
        for (int i = 1; i < cropAspect_->count(); ++i) {
            if (std::abs(cropAspect_->itemData(i).toDouble() - ratio) < 0.01) {
                aspect = i;
            }
        }
    }
    cropAspect_->setCurrentIndex(aspect);
    if (!s.cropRect) {
        cropLabel_->setText(tr("No crop: the whole frame."));
    } else if (sourceSize_) {
        const QRectF& c = *s.cropRect;
        cropLabel_->setText(tr("%1 × %2 pixels at %3, %4")
                                .arg(std::lround(c.width() * sourceSize_->width()))
                                .arg(std::lround(c.height() * sourceSize_->height()))
                                .arg(std::lround(c.x() * sourceSize_->width()))
                                .arg(std::lround(c.y() * sourceSize_->height())));
    } else {
        cropLabel_->setText(tr("%1 % × %2 % of the frame")
                                .arg(std::lround(s.cropRect->width() * 100))
                                .arg(std::lround(s.cropRect->height() * 100)));
    }
}

void VideoInspector::refreshAnnotationStyles(const std::optional<AnnotationRegion>& a) {
    const VideoAnnotations::StyleFields f =
        a ? VideoAnnotations::styleFields(a->kind) : VideoAnnotations::StyleFields{};
    const QSignalBlocker b1(lineStyle_), b2(arrowHeads_), b3(direction_);
    annotationText_->setEnabled(f.text);
    fontSize_->setEnabled(f.fontSize || f.strokeWidth);
    fontSizeLabel_->setText(f.strokeWidth ? tr("Width:") : tr("Font size:"));
    lineStyle_->setEnabled(f.lineStyle);
    arrowHeads_->setEnabled(f.arrowHeads);
    direction_->setEnabled(f.direction);
    const auto show = [](QComboBox* box, const std::optional<QString>& raw, const QString& fallback) {
        box->setCurrentIndex(std::max(0, box->findData(raw.value_or(fallback))));
    };
    show(lineStyle_, a ? a->lineStyleRaw : std::nullopt, rawValue(ArrowLineStyle::solid));
    show(arrowHeads_, a ? a->arrowHeadStyleRaw : std::nullopt, rawValue(ArrowHeadStyle::end));
    show(direction_, a ? a->lineDirectionRaw : std::nullopt, VideoAnnotations::lineDirections().first());
}

std::optional<AnnotationRegion> VideoInspector::selectedAnnotation() const {
    const auto& sel = vm_.selection();
    if (!sel || sel->list != RegionRef::List::annotation) {
        return std::nullopt;
    }
    for (const AnnotationRegion& a : vm_.state().annotationRegions) {
        if (a.id == sel->id) {
            return a;
        }
    }
    return std::nullopt;
}

void VideoInspector::editAnnotation(const std::function<void(AnnotationRegion&)>& change) {
    if (auto a = selectedAnnotation()) {
        change(*a);
        vm_.updateAnnotation(*a);
    }
}

QRectF VideoInspector::outputFrame(const VideoSnapshot& edit) const {
    return {QPointF(0, 0), QSizeF(VideoOutputSize::renderSize(sourceSize_, edit))};
}

void VideoInspector::refresh() {
    const VideoSnapshot& s = vm_.state();
    const QList<QObject*> controls{
        background_,      color_,        padding_,        corners_,      shadow_,
        shadowIntensity_, aspect_,       motionBlur_,     fps_,          resolution_,
        webcamVisible_,   webcamLayout_, webcamSize_,     webcamScale_,  trail_,
        ripple_,          webcamShape_,  webcamX_,        webcamY_,      trailWindow_,
        trailWidth_,      trailColor_,   rippleDuration_, rippleRadius_, rippleColor_};
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QObject* c : controls) {
        blockers.push_back(std::make_unique<QSignalBlocker>(c));
    }
    background_->setChecked(s.showBackground);
    const auto c = rgbaComponents(s.backgroundColorRGBA, {0, 0, 0, 1});
    color_->setColor(QColor::fromRgbF(float(c[0]), float(c[1]), float(c[2]), float(c[3])));
    gradient_->setValue(s.wallpaperGradient);
    padding_->setValue(int(std::lround(s.backgroundPadding)));
    corners_->setValue(int(std::lround(s.backgroundCornerRadius)));
    shadow_->setChecked(s.showShadow);
    shadowIntensity_->setValue(int(std::lround(s.shadowIntensity * 100)));
    int aspect = 0;
    const auto& choices = VideoOutputSize::aspectChoices();
    for (int i = 0; i < choices.size(); ++i) {
        if (choices[i].ratio && s.canvasAspectRatio &&
            std::abs(*choices[i].ratio - *s.canvasAspectRatio) < 1e-3) {
            aspect = i;
        }
    }
    aspect_->setCurrentIndex(aspect);
    motionBlur_->setValue(int(std::lround(s.motionBlurAmount * 100)));
    fps_->setCurrentIndex(s.exportFps ? std::max(0, fps_->findData(int(*s.exportFps))) : 0);
    resolution_->setCurrentIndex(
        s.exportResolutionHeight ? std::max(0, resolution_->findData(int(*s.exportResolutionHeight))) : 0);
    const WebcamLayout l = s.webcamLayout.value_or(WebcamLayout::defaultLayout());
    webcamVisible_->setChecked(l.visible);
    // Without a preset the anchor tells the position (a custom anchor is the custom preset).
    const WebcamLayoutPreset shown = l.layoutPreset                     ? *l.layoutPreset
                                     : l.anchor == WebcamAnchor::custom ? WebcamLayoutPreset::custom
                                                                        : WebcamLayoutPreset(int(l.anchor));
    webcamLayout_->setCurrentIndex(webcamLayout_->findData(int(shown)));
    webcamSize_->setCurrentIndex(webcamSize_->findData(int(l.shownSizePreset())));
    webcamScale_->setValue(int(std::lround(l.scale * 100)));
    webcamShape_->setCurrentIndex(webcamShape_->findData(int(l.maskShape)));
    // Where the webcam is, whichever preset put it there.
    const QPointF centre = webcamCentre(l, outputFrame(s));
    webcamX_->setValue(int(std::lround(centre.x() * 100)));
    webcamY_->setValue(int(std::lround((1 - centre.y()) * 100)));
    trail_->setChecked(s.showCursorTrail);
    ripple_->setChecked(s.showClickRipple);
    trailWindow_->setValue(int(std::lround(s.cursorTrailWindowSec * 10)));
    trailWidth_->setValue(int(std::lround(s.cursorTrailWidth)));
    trailColor_->setColor(colourOf(s.cursorTrailColorRGBA, {1.0, 0.9, 0.3, 0.9}));
    rippleDuration_->setValue(int(std::lround(s.clickRippleDurationSec * 10)));
    rippleRadius_->setValue(int(std::lround(s.clickRippleRadiusPx)));
    rippleColor_->setColor(colourOf(s.clickRippleColorRGBA, {1.0, 0.3, 0.3, 0.85}));

    const auto a = selectedAnnotation();
    annotationPage_->setEnabled(a.has_value());
    const QSignalBlocker b1(annotationText_), b2(annotationColor_), b3(fontSize_);
    annotationText_->setText(a ? a->text.value_or(QString()) : QString());
    refreshAnnotationStyles(a);
    refreshCrop();
    if (a) {
        const auto ac = rgbaComponents(a->colorRGBA, {1, 1, 1, 1});
        annotationColor_->setColor(QColor::fromRgbF(float(ac[0]), float(ac[1]), float(ac[2]), float(ac[3])));
        fontSize_->setValue(int(std::lround(a->fontSize)));
    }
}

} // namespace mebo
