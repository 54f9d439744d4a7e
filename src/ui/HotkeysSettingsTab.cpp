#include "ui/HotkeysSettingsTab.h"

#include "services/CompanionVM.h"
#include "ui/AppPalette.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace mebo {

namespace {

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* hint(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

HotkeysSettingsTab::HotkeysSettingsTab(CompanionVM& vm, QWidget* parent) : QWidget(parent), vm_(vm) {
    state_ = new QLabel(this);
    state_->setWordWrap(true);
    action_ = new QPushButton(this);
    error_ = new QLabel(this);
    error_->setWordWrap(true);
    error_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* tasuRow = new QHBoxLayout;
    tasuRow->setSpacing(12);
    tasuRow->addWidget(state_, 1);
    tasuRow->addWidget(action_);

    auto* commands = new QGridLayout;
    commands->setHorizontalSpacing(8);
    commands->setVerticalSpacing(6);
    int row = 0;
    for (const CompanionVM::CaptureCommand& c : CompanionVM::captureCommands()) {
        auto* field = new QLineEdit(c.command, this);
        field->setReadOnly(true);
        field->setCursorPosition(0);
        field->setObjectName(QStringLiteral("command-") + c.mode);
        QFont mono = field->font();
        mono.setFamily(QStringLiteral("monospace"));
        mono.setStyleHint(QFont::Monospace);
        field->setFont(mono);
        auto* copy = new QPushButton(QStringLiteral("Copy"), this);
        copy->setObjectName(QStringLiteral("copy-") + c.mode);
        connect(copy, &QPushButton::clicked, this, [this, copy, command = c.command] {
            if (vm_.copyCommand(command)) {
                copy->setText(QStringLiteral("Copied"));
                QTimer::singleShot(1500, copy, [copy] { copy->setText(QStringLiteral("Copy")); });
            }
        });
        commands->addWidget(new QLabel(c.title + QLatin1Char(':'), this), row, 0, Qt::AlignRight);
        commands->addWidget(field, row, 1);
        commands->addWidget(copy, row, 2);
        ++row;
    }
    commands->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(10);
    layout->addWidget(heading(QStringLiteral("Global Hotkeys"), this));
    layout->addWidget(
        hint(QStringLiteral("Mebo's companion Tasu binds keys that work in every application and "
                            "starts a capture when you press them."),
             this));
    layout->addLayout(tasuRow);
    layout->addWidget(error_);
    layout->addSpacing(12);
    layout->addWidget(heading(QStringLiteral("Capture Commands"), this));
    layout->addWidget(
        hint(QStringLiteral("To use your desktop's own keyboard shortcuts instead, bind a key to one "
                            "of these commands."),
             this));
    layout->addLayout(commands);
    layout->addStretch(1);

    connect(action_, &QPushButton::clicked, this, [this] {
        if (vm_.isInstalled()) {
            vm_.open();
        } else {
            vm_.install();
        }
    });
    connect(&vm_, &CompanionVM::changed, this, &HotkeysSettingsTab::refresh);
    refresh();
}

void HotkeysSettingsTab::refresh() {
    if (vm_.isInstalling()) {
        state_->setText(CompanionVM::installPrompt());
        action_->setText(CompanionVM::installingText());
        action_->setEnabled(false);
    } else if (vm_.isInstalled()) {
        state_->setText(CompanionVM::installedText());
        action_->setText(CompanionVM::openButtonText());
        action_->setEnabled(true);
    } else {
        state_->setText(CompanionVM::installPrompt());
        action_->setText(CompanionVM::installButtonText());
        action_->setEnabled(true);
    }
    QPalette p = error_->palette();
    p.setColor(QPalette::WindowText, AppPalette::errorText(palette()));
    error_->setPalette(p);
    error_->setText(vm_.errorText());
    error_->setVisible(!vm_.errorText().isEmpty());
}

} // namespace mebo
