#include "ui/VideoInspector.h"

#include "ui/ColorButton.h"
#include "video/VideoEditorVM.h"
#include "video/VideoOutputSize.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
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
    : QWidget(parent), vm_(vm) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    pages_ = new QTabWidget(this);
    pages_->addTab(canvasPage(), tr("Canvas"));
    pages_->addTab(exportPage(sourceSize), tr("Export"));
    pages_->addTab(webcamPage(), tr("Webcam"));
    pages_->setTabEnabled(2, hasWebcam);
    pages_->addTab(cursorPage(), tr("Cursor"));
    pages_->addTab(annotationPage(), tr("Annotation"));
    layout->addWidget(pages_);
    layout->addStretch(1);
    // Every tab's title whole: no scroll arrows over a clipped last tab.
    pages_->setUsesScrollButtons(false);
    setMinimumWidth(340);
    connect(&vm_, &VideoEditorVM::stateChanged, this, &VideoInspector::refresh);
    connect(&vm_, &VideoEditorVM::selectionChanged, this, &VideoInspector::refresh);
    refresh();
}

QWidget* VideoInspector::canvasPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    background_ = new QCheckBox(tr("Show background"), page);
    color_ = new ColorButton(ColorButton::Role::picker, page);
    color_->setDialogTitle(tr("Background Colour"));
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
    connect(padding_, &QSlider::valueChanged, this,
            [this](int v) { vm_.changeSettings([v](VideoSnapshot& s) { s.backgroundPadding = v; }); });
    connect(corners_, &QSlider::valueChanged, this,
            [this](int v) { vm_.changeSettings([v](VideoSnapshot& s) { s.backgroundCornerRadius = v; }); });
    connect(shadow_, &QCheckBox::toggled, this,
            [this](bool on) { vm_.changeSettings([on](VideoSnapshot& s) { s.showShadow = on; }); });
    connect(shadowIntensity_, &QSlider::valueChanged, this,
            [this](int v) { vm_.changeSettings([v](VideoSnapshot& s) { s.shadowIntensity = v / 100.0; }); });
    connect(aspect_, &QComboBox::activated, this, [this](int i) {
        const auto ratio = VideoOutputSize::aspectChoices().value(i).ratio;
        vm_.changeSettings([ratio](VideoSnapshot& s) { s.canvasAspectRatio = ratio; });
    });
    connect(motionBlur_, &QSlider::valueChanged, this,
            [this](int v) { vm_.changeSettings([v](VideoSnapshot& s) { s.motionBlurAmount = v / 100.0; }); });
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
    form->addRow(webcamVisible_);
    form->addRow(tr("Position:"), webcamLayout_);
    form->addRow(tr("Size:"), webcamSize_);
    form->addRow(tr("Scale:"), webcamScale_);
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
    connect(webcamScale_, &QSlider::valueChanged, this, [this](int v) {
        vm_.changeSettings([v](VideoSnapshot& s) {
            WebcamLayout l = s.webcamLayout.value_or(WebcamLayout::defaultLayout());
            l.scale = v / 100.0;
            l.sizePreset = WebcamSizePreset::custom;
            s.webcamLayout = l;
        });
    });
    return page;
}

QWidget* VideoInspector::cursorPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    trail_ = new QCheckBox(tr("Cursor trail"), page);
    ripple_ = new QCheckBox(tr("Click ripples"), page);
    form->addRow(trail_);
    form->addRow(ripple_);
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
    form->addRow(tr("Text:"), annotationText_);
    form->addRow(tr("Colour:"), annotationColor_);
    form->addRow(tr("Font size:"), fontSize_);
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

void VideoInspector::refresh() {
    const VideoSnapshot& s = vm_.state();
    const QList<QObject*> controls{background_, color_,           padding_,       corners_,
                                   shadow_,     shadowIntensity_, aspect_,        motionBlur_,
                                   fps_,        resolution_,      webcamVisible_, webcamLayout_,
                                   webcamSize_, webcamScale_,     trail_,         ripple_};
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QObject* c : controls) {
        blockers.push_back(std::make_unique<QSignalBlocker>(c));
    }
    background_->setChecked(s.showBackground);
    const auto c = rgbaComponents(s.backgroundColorRGBA, {0, 0, 0, 1});
    color_->setColor(QColor::fromRgbF(float(c[0]), float(c[1]), float(c[2]), float(c[3])));
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
    webcamSize_->setCurrentIndex(l.sizePreset ? webcamSize_->findData(int(*l.sizePreset)) : -1);
    webcamScale_->setValue(int(std::lround(l.scale * 100)));
    trail_->setChecked(s.showCursorTrail);
    ripple_->setChecked(s.showClickRipple);

    const auto a = selectedAnnotation();
    annotationPage_->setEnabled(a.has_value());
    const QSignalBlocker b1(annotationText_), b2(annotationColor_), b3(fontSize_);
    annotationText_->setText(a ? a->text.value_or(QString()) : QString());
    annotationText_->setEnabled(a && (a->kind == AnnotationKind::text || a->kind == AnnotationKind::callout));
    if (a) {
        const auto ac = rgbaComponents(a->colorRGBA, {1, 1, 1, 1});
        annotationColor_->setColor(QColor::fromRgbF(float(ac[0]), float(ac[1]), float(ac[2]), float(ac[3])));
        fontSize_->setValue(int(std::lround(a->fontSize)));
    }
}

} // namespace mebo
