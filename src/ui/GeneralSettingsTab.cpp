#include "ui/GeneralSettingsTab.h"

#include "app/CapturePrefs.h"
#include "app/SettingsVM.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace mebo {

GeneralSettingsTab::GeneralSettingsTab(SettingsVM& vm, QWidget* parent) : QWidget(parent), vm_(vm) {
    saveFolder_ = new QLineEdit(this);
    saveFolder_->setReadOnly(true);
    saveFolder_->setFocusPolicy(Qt::ClickFocus);
    changeFolder_ = new QPushButton(QStringLiteral("Change..."), this);
    auto* folderRow = new QHBoxLayout;
    folderRow->setSpacing(8);
    folderRow->addWidget(saveFolder_, 1);
    folderRow->addWidget(changeFolder_);

    copyToClipboard_ = new QCheckBox(QStringLiteral("Copy captures to the clipboard"), this);
    openEditor_ = new QCheckBox(QStringLiteral("Open captures in the editor"), this);
    notify_ = new QCheckBox(QStringLiteral("Show a notification (Open, Copy, Show in Folder)"), this);
    delay_ = new QComboBox(this);
    for (int seconds : CapturePrefs::offeredDelays()) {
        delay_->addItem(seconds == 0 ? QStringLiteral("Off") : QStringLiteral("%1 seconds").arg(seconds),
                        seconds);
    }
    delay_->setMinimumWidth(160);
    template_ = new QLineEdit(this);
    template_->setToolTip(
        QStringLiteral("Date patterns in braces: {yyyy} year, {MM} month, {dd} day, {HH} hour, "
                       "{mm} minute, {ss} second, {SSS} milliseconds"));
    templatePreview_ = new QLabel(this);
    templatePreview_->setForegroundRole(QPalette::PlaceholderText);
    templatePreview_->setWordWrap(true);
    quality_ = new QSpinBox(this);
    quality_->setRange(1, 100);
    quality_->setSuffix(QStringLiteral(" %"));
    quality_->setToolTip(QStringLiteral("JPEG and WebP files written by Save As"));
    quality_->setMinimumWidth(160);

    historyLimit_ = new QSpinBox(this);
    historyLimit_->setRange(0, 99999);
    historyLimit_->setSingleStep(10);
    historyLimit_->setSpecialValueText(QStringLiteral("Unlimited"));
    historyLimit_->setSuffix(QStringLiteral(" captures"));
    // A lower limit removes captures at once: apply typed numbers only when complete, and never
    // on a stray wheel turn while scrolling past.
    historyLimit_->setKeyboardTracking(false);
    historyLimit_->setFocusPolicy(Qt::StrongFocus);
    historyLimit_->installEventFilter(this);
    historyLimit_->setMinimumWidth(160);
    auto* historyHint =
        new QLabel(QStringLiteral("Older captures beyond the limit move to the Trash."), this);
    historyHint->setForegroundRole(QPalette::PlaceholderText);
    historyHint->setWordWrap(true);

    appearance_ = new QComboBox(this);
    appearance_->addItems(SettingsVM::appearanceModeNames());
    appearance_->setMinimumWidth(160);

    launchAtLogin_ = new QCheckBox(QStringLiteral("Launch Mebo at login"), this);

    // One form for every section, so the field column lines up across them; a heading spans
    // both columns.
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);
    bool firstHeading = true;
    auto heading = [&](const QString& text) {
        auto* label = new QLabel(text, this);
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        if (!firstHeading) {
            label->setContentsMargins(0, 14, 0, 0);
        }
        firstHeading = false;
        form->addRow(label);
    };
    auto leftAligned = [](QWidget* w) {
        auto* row = new QHBoxLayout;
        row->addWidget(w);
        row->addStretch(1);
        return row;
    };

    heading(QStringLiteral("Captures"));
    form->addRow(QStringLiteral("Save folder:"), folderRow);
    form->addRow(QStringLiteral("File names:"), template_);
    form->addRow(QString(), templatePreview_);
    form->addRow(QStringLiteral("After a capture:"), copyToClipboard_);
    form->addRow(QString(), openEditor_);
    form->addRow(QString(), notify_);
    form->addRow(QStringLiteral("Delay:"), leftAligned(delay_));
    form->addRow(QStringLiteral("History limit:"), leftAligned(historyLimit_));
    form->addRow(QString(), historyHint);
    form->addRow(QStringLiteral("Export quality:"), leftAligned(quality_));
    heading(QStringLiteral("Appearance"));
    form->addRow(QStringLiteral("Appearance:"), leftAligned(appearance_));
    heading(QStringLiteral("Startup"));
    form->addRow(QString(), launchAtLogin_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addLayout(form);
    layout->addStretch(1);

    connect(changeFolder_, &QPushButton::clicked, &vm_, &SettingsVM::changeSaveFolder);
    connect(copyToClipboard_, &QCheckBox::toggled, &vm_, &SettingsVM::setCopyToClipboard);
    connect(historyLimit_, &QSpinBox::valueChanged, &vm_, &SettingsVM::setHistoryMaxCount);
    connect(appearance_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index < allAppearanceModes().size()) {
            vm_.setAppearanceMode(allAppearanceModes().at(index));
        }
    });
    connect(launchAtLogin_, &QCheckBox::toggled, this, [this](bool on) { vm_.setLaunchAtLogin(on); });
    connect(openEditor_, &QCheckBox::toggled, &vm_, &SettingsVM::setOpenEditorAfterCapture);
    connect(notify_, &QCheckBox::toggled, &vm_, &SettingsVM::setNotifyAfterCapture);
    connect(delay_, &QComboBox::currentIndexChanged, this,
            [this] { vm_.setDelaySeconds(delay_->currentData().toInt()); });
    connect(quality_, &QSpinBox::valueChanged, &vm_, &SettingsVM::setExportQuality);
    connect(template_, &QLineEdit::textEdited, this, &GeneralSettingsTab::previewTemplate);
    // Stored when the field is left or Return is pressed; a refused one goes back.
    connect(template_, &QLineEdit::editingFinished, this, [this] {
        if (!vm_.setFilenameTemplate(template_->text()).isEmpty()) {
            template_->setText(vm_.filenameTemplate());
            previewTemplate();
        }
    });
    connect(&vm_, &SettingsVM::captureChoicesChanged, this, &GeneralSettingsTab::refreshCaptureChoices);

    connect(&vm_, &SettingsVM::saveFolderChanged, this, &GeneralSettingsTab::refreshSaveFolder);
    connect(&vm_, &SettingsVM::copyToClipboardChanged, this, &GeneralSettingsTab::refreshCopyToClipboard);
    connect(&vm_, &SettingsVM::historyMaxCountChanged, this, &GeneralSettingsTab::refreshHistoryLimit);
    connect(&vm_, &SettingsVM::appearanceModeChanged, this, &GeneralSettingsTab::refreshAppearance);
    connect(&vm_, &SettingsVM::launchAtLoginChanged, this, &GeneralSettingsTab::refreshLaunchAtLogin);

    refreshSaveFolder();
    refreshCopyToClipboard();
    refreshHistoryLimit();
    refreshAppearance();
    refreshLaunchAtLogin();
    refreshCaptureChoices();
}

void GeneralSettingsTab::refreshCaptureChoices() {
    const QSignalBlocker a(openEditor_), b(notify_), c(delay_), d(quality_);
    openEditor_->setChecked(vm_.openEditorAfterCapture());
    notify_->setChecked(vm_.notifyAfterCapture());
    const int at = delay_->findData(vm_.delaySeconds());
    if (at < 0) {
        delay_->addItem(QStringLiteral("%1 seconds").arg(vm_.delaySeconds()), vm_.delaySeconds());
    }
    delay_->setCurrentIndex(delay_->findData(vm_.delaySeconds()));
    quality_->setValue(vm_.exportQuality());
    if (!template_->hasFocus()) {
        template_->setText(vm_.filenameTemplate());
    }
    previewTemplate();
}

void GeneralSettingsTab::previewTemplate() {
    const QString text = template_->text();
    const bool usable =
        !text.trimmed().isEmpty() && !SettingsVM::filenamePreview(text).contains(QLatin1Char('/'));
    templatePreview_->setText(usable
                                  ? QStringLiteral("Next capture: %1").arg(SettingsVM::filenamePreview(text))
                                  : QStringLiteral("A file name cannot be empty or contain \"/\"."));
}

bool GeneralSettingsTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == historyLimit_ && event->type() == QEvent::Wheel && !historyLimit_->hasFocus()) {
        return true; // dropped: the box changes only when the user is in it
    }
    return QWidget::eventFilter(watched, event);
}

void GeneralSettingsTab::refreshSaveFolder() {
    saveFolder_->setText(vm_.saveFolderPath());
    saveFolder_->setCursorPosition(0);
    saveFolder_->setToolTip(vm_.saveFolderPath());
}

void GeneralSettingsTab::refreshCopyToClipboard() {
    const QSignalBlocker block(copyToClipboard_);
    copyToClipboard_->setChecked(vm_.copyToClipboard());
}

void GeneralSettingsTab::refreshHistoryLimit() {
    const QSignalBlocker block(historyLimit_);
    historyLimit_->setValue(vm_.historyMaxCount());
}

void GeneralSettingsTab::refreshAppearance() {
    const QSignalBlocker block(appearance_);
    appearance_->setCurrentIndex(int(allAppearanceModes().indexOf(vm_.appearanceMode())));
}

void GeneralSettingsTab::refreshLaunchAtLogin() {
    const QSignalBlocker block(launchAtLogin_);
    launchAtLogin_->setChecked(vm_.launchAtLogin());
}

} // namespace mebo
