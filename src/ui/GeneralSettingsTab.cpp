#include "ui/GeneralSettingsTab.h"

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
    form->addRow(QString(), copyToClipboard_);
    form->addRow(QStringLiteral("History limit:"), leftAligned(historyLimit_));
    form->addRow(QString(), historyHint);
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
