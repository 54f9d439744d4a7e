#include "ui/LogsSettingsTab.h"

#include "app/SettingsVM.h"
#include "ui/AppPalette.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace mebo {

namespace {

QIcon levelIcon(const QStyle* style, LogLevel level) {
    switch (level) {
    case LogLevel::debug:
        return style->standardIcon(QStyle::SP_FileDialogContentsView);
    case LogLevel::info:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case LogLevel::warning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case LogLevel::error:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case LogLevel::success:
        return style->standardIcon(QStyle::SP_DialogApplyButton);
    }
    return {};
}

} // namespace

LogsSettingsTab::LogsSettingsTab(SettingsVM& vm, QWidget* parent) : QWidget(parent), vm_(vm) {
    title_ = new QLabel(this);
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    title_->setFont(titleFont);
    copyAll_ = new QPushButton(QStringLiteral("Copy All"), this);
    clear_ = new QPushButton(QStringLiteral("Clear"), this);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(title_);
    header->addStretch(1);
    header->addWidget(copyAll_);
    header->addWidget(clear_);

    list_ = new QTreeWidget(this);
    list_->setColumnCount(2);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setTextElideMode(Qt::ElideRight);
    list_->setIconSize(QSize(16, 16));
    list_->header()->setStretchLastSection(true);
    list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    empty_ = new QLabel(SettingsVM::emptyLogsText(), this);
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setWordWrap(true);
    empty_->setForegroundRole(QPalette::PlaceholderText);

    stack_ = new QStackedWidget(this);
    stack_->addWidget(empty_);
    stack_->addWidget(list_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(12);
    layout->addLayout(header);
    layout->addWidget(stack_, 1);

    connect(copyAll_, &QPushButton::clicked, &vm_, &SettingsVM::copyAllLogs);
    connect(clear_, &QPushButton::clicked, &vm_, &SettingsVM::clearLogs);
    connect(&vm_, &SettingsVM::logsChanged, this, &LogsSettingsTab::refresh);
    refresh();
}

bool LogsSettingsTab::showsEntries() const {
    return stack_->currentWidget() == list_;
}

void LogsSettingsTab::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Level colours are picked for the palette; follow a switch between light and dark.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        refresh();
    }
}

void LogsSettingsTab::refresh() {
    title_->setText(vm_.logsTitle());
    const QList<LogEntry> entries = vm_.logEntries();
    stack_->setCurrentWidget(entries.isEmpty() ? static_cast<QWidget*>(empty_) : list_);

    const QPalette pal = palette();
    const QColor warning = AppPalette::warningText(pal);
    const QColor error = AppPalette::errorText(pal);
    list_->setUpdatesEnabled(false);
    list_->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(entries.size());
    for (const LogEntry& e : entries) {
        auto* item = new QTreeWidgetItem;
        item->setIcon(0, levelIcon(style(), e.level));
        item->setText(0, e.timestamp.toString(QStringLiteral("HH:mm:ss")));
        item->setText(1, e.msg);
        item->setToolTip(1, e.msg);
        item->setData(0, Qt::UserRole, int(e.level));
        item->setForeground(0, pal.brush(QPalette::PlaceholderText));
        if (e.level == LogLevel::warning || e.level == LogLevel::error) {
            item->setForeground(1, e.level == LogLevel::error ? error : warning);
            QFont f = item->font(1);
            f.setWeight(QFont::DemiBold);
            item->setFont(1, f);
        }
        items << item;
    }
    list_->addTopLevelItems(items);
    list_->setUpdatesEnabled(true);
}

} // namespace mebo
