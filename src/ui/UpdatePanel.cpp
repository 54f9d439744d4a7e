#include "ui/UpdatePanel.h"

#include "services/UpdateVM.h"
#include "ui/AppPalette.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace mebo {

UpdatePanel::UpdatePanel(UpdateVM& vm, QPushButton* checkButton, QWidget* parent)
    : QWidget(parent), vm_(vm), check_(checkButton) {
    setObjectName(QStringLiteral("updatePanel"));
    status_ = new QLabel(this);
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(280);

    download_ = new QPushButton(QStringLiteral("Download and Install"), this);
    skip_ = new QPushButton(QStringLiteral("Skip This Version"), this);
    page_ = new QPushButton(QStringLiteral("Open Download Page"), this);
    relaunch_ = new QPushButton(UpdateVM::relaunchButtonText(), this);
    notesLink_ = new QPushButton(QStringLiteral("Release Notes"), this);
    notes_ = new QLabel(this);
    notes_->setWordWrap(true);
    notes_->setTextFormat(Qt::PlainText);
    notes_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes_->setMaximumWidth(520);
    relaunch_->setDefault(true);

    notice_ = new QLabel(this);
    notice_->setAlignment(Qt::AlignCenter);
    notice_->setWordWrap(true);
    notice_->setForegroundRole(QPalette::PlaceholderText);
    notice_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    buttons->addWidget(download_);
    buttons->addWidget(skip_);
    buttons->addWidget(page_);
    buttons->addWidget(relaunch_);
    buttons->addWidget(notesLink_);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(status_);
    layout->addWidget(progress_, 0, Qt::AlignHCenter);
    layout->addWidget(notes_, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
    layout->addSpacing(4);
    layout->addWidget(notice_);

    connect(download_, &QPushButton::clicked, &vm_, &UpdateVM::downloadAndInstall);
    connect(skip_, &QPushButton::clicked, &vm_, &UpdateVM::skipVersion);
    connect(page_, &QPushButton::clicked, &vm_, &UpdateVM::openDownloadPage);
    connect(relaunch_, &QPushButton::clicked, &vm_, &UpdateVM::relaunchToUpgrade);
    connect(notesLink_, &QPushButton::clicked, &vm_, &UpdateVM::openReleaseNotes);
    connect(&vm_, &UpdateVM::changed, this, &UpdatePanel::refresh);
    refresh();
}

void UpdatePanel::refresh() {
    status_->setText(vm_.statusText());
    QPalette p = status_->palette();
    p.setColor(QPalette::WindowText,
               vm_.isError() ? AppPalette::errorText(palette()) : palette().color(QPalette::WindowText));
    status_->setPalette(p);
    progress_->setVisible(vm_.showsProgress());
    progress_->setValue(vm_.progressPercent());
    download_->setVisible(vm_.offersDownload());
    skip_->setVisible(vm_.offersDownload() || vm_.offersDownloadPage());
    page_->setVisible(vm_.offersDownloadPage());
    relaunch_->setVisible(vm_.offersRelaunch());
    notes_->setText(vm_.releaseNotes());
    notes_->setVisible(!notes_->text().isEmpty());
    notesLink_->setVisible(vm_.offersReleaseNotesLink());
    notice_->setText(vm_.installNotice());
    notice_->setVisible(!vm_.installNotice().isEmpty());
    if (check_) {
        check_->setEnabled(vm_.canCheck());
    }
}

UpdatesSection::UpdatesSection(UpdateVM& vm, QWidget* parent) : QWidget(parent), vm_(vm) {
    auto* heading = new QLabel(QStringLiteral("Updates"), this);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    autoCheck_ = new QCheckBox(QStringLiteral("Check for updates automatically"), this);
    auto* hint = new QLabel(QStringLiteral("Mebo looks for a new version every four hours, never while you "
                                           "capture or record."),
                            this);
    hint->setForegroundRole(QPalette::PlaceholderText);
    hint->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    // Lines up with the General tab's own sections above it.
    layout->setContentsMargins(24, 0, 24, 20);
    layout->setSpacing(10);
    layout->addWidget(heading);
    layout->addWidget(autoCheck_);
    layout->addWidget(hint);

    auto refresh = [this] {
        const QSignalBlocker block(autoCheck_);
        autoCheck_->setChecked(vm_.autoCheckEnabled());
    };
    connect(autoCheck_, &QCheckBox::toggled, &vm_, &UpdateVM::setAutoCheckEnabled);
    connect(&vm_, &UpdateVM::changed, this, refresh);
    refresh();
}

} // namespace mebo
