#include "ui/AboutSettingsTab.h"

#include "app/SettingsVM.h"

#include "ui/StatusIcon.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace mebo {

AboutSettingsTab::AboutSettingsTab(QWidget* parent) : QWidget(parent) {
    auto* icon = new QLabel(this);
    const QIcon appIcon = StatusIcon::application();
    if (!appIcon.isNull()) {
        icon->setPixmap(appIcon.pixmap(64, 64));
    } else {
        icon->hide();
    }
    icon->setAlignment(Qt::AlignCenter);

    auto* name = new QLabel(SettingsVM::appName(), this);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 2.0);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);

    version_ = new QLabel(SettingsVM::versionText(), this);
    version_->setAlignment(Qt::AlignCenter);
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    version_->setForegroundRole(QPalette::PlaceholderText);

    auto* description = new QLabel(
        QStringLiteral("Screenshots and screen recordings, annotated and kept in one library."), this);
    description->setAlignment(Qt::AlignCenter);
    description->setWordWrap(true);

    checkForUpdates_ = new QPushButton(QStringLiteral("Check for Updates..."), this);
    checkForUpdates_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto* layout = layout_ = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(8);
    layout->addStretch(2);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(version_);
    layout->addSpacing(8);
    layout->addWidget(description);
    layout->addSpacing(16);
    layout->addWidget(checkForUpdates_, 0, Qt::AlignHCenter);
    layout->addStretch(3);

    connect(checkForUpdates_, &QPushButton::clicked, this, &AboutSettingsTab::checkForUpdatesRequested);
}

void AboutSettingsTab::addUpdatePanel(QWidget* panel) {
    panel->setParent(this);
    // After the button, before the closing stretch.
    layout_->insertWidget(layout_->indexOf(checkForUpdates_) + 1, panel);
}

} // namespace mebo
