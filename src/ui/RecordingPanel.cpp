#include "ui/RecordingPanel.h"

#include "recording/RecordingPanelVM.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

namespace mebo {

namespace {

// A horizontal bar: green up to the level, amber near the top.
class LevelMeter : public QWidget {
public:
    explicit LevelMeter(QWidget* parent) : QWidget(parent) {
        setFixedHeight(8);
        setMinimumWidth(90);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    void setLevel(float level) {
        if (level != level_) {
            level_ = level;
            update();
        }
    }
    float level() const { return level_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        // Mid is barely darker than a dark window, so dark palettes draw the edge lighter.
        const bool dark = palette().color(QPalette::Window).lightness() < 128;
        p.setPen(palette().color(dark ? QPalette::Light : QPalette::Mid));
        p.setBrush(palette().color(QPalette::Base));
        p.drawRoundedRect(r, 3, 3);
        if (!isEnabled() || level_ <= 0) {
            return;
        }
        QRectF bar = r.adjusted(1, 1, -1, -1);
        bar.setWidth(bar.width() * double(level_));
        p.setPen(Qt::NoPen);
        p.setBrush(level_ > 0.85f ? QColor(0xe5, 0xa5, 0x0a) : QColor(0x33, 0xb1, 0x5e));
        p.drawRoundedRect(bar, 2, 2);
    }

private:
    float level_ = 0;
};

QComboBox* menu(QWidget* parent, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->addItems(items);
    return box;
}

int scaleTicks(double scale) {
    return int(std::lround(scale * 100));
}

} // namespace

RecordingPanel::RecordingPanel(RecordingPanelVM& vm, QWidget* parent) : QFrame(parent), vm_(vm) {
    setObjectName(QStringLiteral("recordingPanel"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    build();
    connect(&vm_, &RecordingPanelVM::configurationChanged, this, [this] {
        syncConfiguration();
        syncDevices();
    });
    connect(&vm_, &RecordingPanelVM::devicesChanged, this, &RecordingPanel::syncDevices);
    connect(&vm_, &RecordingPanelVM::stateChanged, this, &RecordingPanel::syncState);
    connect(&vm_, &RecordingPanelVM::elapsedChanged, elapsed_, &QLabel::setText);
    connect(&vm_, &RecordingPanelVM::levelsChanged, this, &RecordingPanel::syncLevels);
    connect(&vm_, &RecordingPanelVM::previewChanged, this, &RecordingPanel::syncPreview);
    syncConfiguration();
    syncDevices();
    syncState();
    syncLevels();
    syncPreview();
}

void RecordingPanel::build() {
    using K = RecordingPanelAction::Kind;
    const auto act = [this](K kind, decltype(RecordingPanelAction::payload) payload = {}) {
        vm_.perform(RecordingPanelAction{kind, std::move(payload)});
    };
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(14, 12, 14, 12);
    outer->setSpacing(10);

    // Status: the dot and word, the elapsed time, the camera preview.
    auto* head = new QHBoxLayout;
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("recordingStatus"));
    elapsed_ = new QLabel(vm_.elapsedText(), this);
    elapsed_->setObjectName(QStringLiteral("recordingElapsed"));
    QFont big = elapsed_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    elapsed_->setFont(big);
    preview_ = new QLabel(this);
    preview_->setObjectName(QStringLiteral("webcamPreview"));
    preview_->setFixedSize(128, 72);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setFrameShape(QFrame::StyledPanel);
    head->addWidget(status_);
    head->addStretch(1);
    head->addWidget(elapsed_);
    head->addSpacing(8);
    head->addWidget(preview_);
    outer->addLayout(head);

    // The meters stay in view while recording, when the options are put away.
    auto* meters = new QGridLayout;
    meters->setHorizontalSpacing(10);
    meters->setVerticalSpacing(4);
    systemMeter_ = new LevelMeter(this);
    systemMeter_->setObjectName(QStringLiteral("systemAudioMeter"));
    micMeter_ = new LevelMeter(this);
    micMeter_->setObjectName(QStringLiteral("microphoneMeter"));
    meters->addWidget(new QLabel(QStringLiteral("System audio"), this), 0, 0);
    meters->addWidget(systemMeter_, 0, 1);
    meters->addWidget(new QLabel(QStringLiteral("Microphone"), this), 1, 0);
    meters->addWidget(micMeter_, 1, 1);
    meters->setColumnStretch(1, 1);
    outer->addLayout(meters);

    options_ = new QWidget(this);
    auto* form = new QFormLayout(options_);
    form->setContentsMargins(0, 0, 0, 0);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(6);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);

    systemAudio_ = new QCheckBox(QStringLiteral("System audio"), options_);
    form->addRow(QStringLiteral("Audio:"), systemAudio_);
    microphone_ = new QCheckBox(QStringLiteral("Microphone"), options_);
    micMenu_ = new QComboBox(options_);
    micMenu_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    micMenu_->setMinimumContentsLength(16);
    auto* micRow = new QHBoxLayout;
    micRow->addWidget(microphone_);
    micRow->addWidget(micMenu_, 1);
    form->addRow(QString(), micRow);

    webcam_ = new QCheckBox(QStringLiteral("Camera"), options_);
    cameraMenu_ = new QComboBox(options_);
    cameraMenu_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cameraMenu_->setMinimumContentsLength(16);
    auto* camRow = new QHBoxLayout;
    camRow->addWidget(webcam_);
    camRow->addWidget(cameraMenu_, 1);
    form->addRow(QStringLiteral("Camera:"), camRow);

    position_ = menu(options_, {QStringLiteral("Top Left"), QStringLiteral("Top Right"),
                                QStringLiteral("Bottom Left"), QStringLiteral("Bottom Right")});
    scale_ = new QSlider(Qt::Horizontal, options_);
    scale_->setRange(scaleTicks(RecordingPanelVM::minWebcamScale),
                     scaleTicks(RecordingPanelVM::maxWebcamScale));
    scale_->setPageStep(5);
    scaleValue_ = new QLabel(options_);
    scaleValue_->setMinimumWidth(scaleValue_->fontMetrics().horizontalAdvance(QStringLiteral("100%")));
    auto* placeRow = new QHBoxLayout;
    placeRow->addWidget(position_);
    placeRow->addWidget(scale_, 1);
    placeRow->addWidget(scaleValue_);
    form->addRow(QStringLiteral("Position:"), placeRow);

    trail_ = new QCheckBox(QStringLiteral("Cursor trail"), options_);
    ripple_ = new QCheckBox(QStringLiteral("Click ripple"), options_);
    auto* cursorRow = new QHBoxLayout;
    cursorRow->addWidget(trail_);
    cursorRow->addWidget(ripple_);
    cursorRow->addStretch(1);
    form->addRow(QStringLiteral("Cursor:"), cursorRow);

    codec_ = menu(options_, {QStringLiteral("H.264"), QStringLiteral("HEVC")});
    quality_ =
        menu(options_, {QStringLiteral("Standard"), QStringLiteral("High"), QStringLiteral("Original")});
    QStringList rates;
    for (int fps : RecordingPanelConfiguration::frameRateChoices) {
        rates << QStringLiteral("%1 fps").arg(fps);
    }
    fps_ = menu(options_, rates);
    auto* videoRow = new QHBoxLayout;
    videoRow->addWidget(codec_);
    videoRow->addWidget(quality_);
    videoRow->addWidget(fps_);
    videoRow->addStretch(1);
    form->addRow(QStringLiteral("Video:"), videoRow);
    outer->addWidget(options_);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    start_ = new QPushButton(QStringLiteral("&Start Recording"), this);
    start_->setDefault(true);
    pause_ = new QPushButton(QStringLiteral("&Pause"), this);
    stop_ = new QPushButton(QStringLiteral("S&top"), this);
    restart_ = new QPushButton(QStringLiteral("R&estart"), this);
    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    buttons->addWidget(cancel_);
    buttons->addWidget(restart_);
    buttons->addStretch(1);
    buttons->addWidget(pause_);
    buttons->addWidget(stop_);
    buttons->addWidget(start_);
    outer->addLayout(buttons);

    connect(systemAudio_, &QCheckBox::toggled, this, [act](bool on) { act(K::toggleSystemAudio, on); });
    connect(microphone_, &QCheckBox::toggled, this, [act](bool on) { act(K::toggleMicrophone, on); });
    connect(webcam_, &QCheckBox::toggled, this, [act](bool on) { act(K::toggleWebcam, on); });
    connect(trail_, &QCheckBox::toggled, this, [act](bool on) { act(K::toggleCursorTrail, on); });
    connect(ripple_, &QCheckBox::toggled, this, [act](bool on) { act(K::toggleClickRipple, on); });
    connect(micMenu_, &QComboBox::activated, this, [this, act](int i) {
        const auto choices = vm_.microphoneChoices();
        act(K::selectMicDevice, i >= 0 && i < choices.size() ? choices[i].id : std::nullopt);
    });
    connect(cameraMenu_, &QComboBox::activated, this, [this, act](int i) {
        const auto choices = vm_.cameraChoices();
        act(K::selectCameraDevice, i >= 0 && i < choices.size() ? choices[i].id : std::nullopt);
    });
    connect(position_, &QComboBox::activated, this,
            [act](int i) { act(K::setWebcamPosition, RecordingPanelConfiguration::positionForIndex(i)); });
    connect(scale_, &QSlider::valueChanged, this, [act](int v) { act(K::setWebcamScale, v / 100.0); });
    connect(codec_, &QComboBox::activated, this,
            [act](int i) { act(K::setVideoCodec, RecordingPanelConfiguration::codecForIndex(i)); });
    connect(quality_, &QComboBox::activated, this,
            [act](int i) { act(K::setQuality, RecordingPanelConfiguration::qualityForIndex(i)); });
    connect(fps_, &QComboBox::activated, this,
            [act](int i) { act(K::setFps, RecordingPanelConfiguration::fpsForIndex(i)); });
    connect(start_, &QPushButton::clicked, this, [act] { act(K::startRecording); });
    connect(pause_, &QPushButton::clicked, this, [act] { act(K::pauseResume); });
    connect(stop_, &QPushButton::clicked, this, [act] { act(K::stop); });
    connect(restart_, &QPushButton::clicked, this, [act] { act(K::restart); });
    connect(cancel_, &QPushButton::clicked, this, [act] { act(K::cancel); });
}

void RecordingPanel::setOptionsShown(bool shown) {
    options_->setVisible(shown);
    start_->setVisible(shown);
    adjustSize();
}

void RecordingPanel::syncConfiguration() {
    const RecordingPanelConfiguration& c = vm_.configuration();
    const auto set = [](QCheckBox* box, bool on) {
        const QSignalBlocker block(box);
        box->setChecked(on);
    };
    set(systemAudio_, c.systemAudioOn);
    set(microphone_, c.microphoneOn);
    set(webcam_, c.webcamOn);
    set(trail_, c.cursorTrailOn);
    set(ripple_, c.clickRippleOn);
    {
        const QSignalBlocker block(scale_);
        scale_->setValue(scaleTicks(c.webcamScale));
    }
    scaleValue_->setText(QStringLiteral("%1%").arg(scaleTicks(c.webcamScale)));
    position_->setCurrentIndex(int(c.webcamPosition));
    codec_->setCurrentIndex(c.videoCodec == QLatin1String("hevc") ? 1 : 0);
    quality_->setCurrentIndex(int(RecordingPanelConfiguration::normalizedQuality(c.quality)));
    const auto& rates = RecordingPanelConfiguration::frameRateChoices;
    fps_->setCurrentIndex(int(std::find(std::begin(rates), std::end(rates), c.fps) - std::begin(rates)) % 6);
    syncState();
}

void RecordingPanel::syncDevices() {
    const auto fill = [](QComboBox* box, const QList<RecordingDeviceChoice>& choices, int current) {
        const QSignalBlocker block(box);
        box->clear();
        for (const auto& c : choices) {
            box->addItem(c.name, c.id.value_or(QString()));
        }
        box->setCurrentIndex(current);
    };
    fill(micMenu_, vm_.microphoneChoices(), vm_.microphoneIndex());
    fill(cameraMenu_, vm_.cameraChoices(), vm_.cameraIndex());
}

void RecordingPanel::syncState() {
    const RecordingPanelConfiguration& c = vm_.configuration();
    const bool editable = vm_.settingsEditable();
    options_->setEnabled(editable);
    micMenu_->setEnabled(c.microphoneOn);
    cameraMenu_->setEnabled(c.webcamOn);
    position_->setEnabled(c.webcamOn);
    scale_->setEnabled(c.webcamOn);
    const bool running = vm_.isRunning();
    start_->setEnabled(vm_.canStart());
    // Mnemonics: the walkthrough and keyboard users reach the buttons with Alt.
    pause_->setText(QLatin1Char('&') + vm_.pauseResumeTitle());
    pause_->setVisible(!editable);
    stop_->setVisible(!editable);
    restart_->setVisible(!editable);
    pause_->setEnabled(running);
    stop_->setEnabled(running);
    restart_->setEnabled(running);
    cancel_->setEnabled(vm_.state() != RecordingState::stopping);
    const bool live = vm_.state() == RecordingState::recording;
    const QColor dot = live ? QColor(0xe0, 0x1b, 0x24) : palette().color(QPalette::PlaceholderText);
    status_->setText(
        QStringLiteral("<span style=\"color:%1\">\u25CF</span> %2").arg(dot.name(), vm_.statusText()));
    elapsed_->setText(vm_.elapsedText());
    elapsed_->setVisible(!editable);
    preview_->setVisible(c.webcamOn);
}

void RecordingPanel::syncLevels() {
    static_cast<LevelMeter*>(systemMeter_)->setLevel(vm_.systemAudioLevel());
    static_cast<LevelMeter*>(micMeter_)->setLevel(vm_.microphoneLevel());
    systemMeter_->setEnabled(vm_.configuration().systemAudioOn);
    micMeter_->setEnabled(vm_.configuration().microphoneOn);
}

void RecordingPanel::syncPreview() {
    const QImage& picture = vm_.preview();
    if (picture.isNull()) {
        preview_->setPixmap(QPixmap());
        preview_->setText(QStringLiteral("Camera"));
        return;
    }
    preview_->setPixmap(QPixmap::fromImage(
        picture.scaled(preview_->size() - QSize(2, 2), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

} // namespace mebo
