#include "ui/ShortcutsSettingsTab.h"

#include "app/SettingsVM.h"
#include "ui/ShortcutKeyField.h"

#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace mebo {

namespace {
constexpr int kColumns = 2; // rows are laid out in two columns of name + key
}

ShortcutsSettingsTab::ShortcutsSettingsTab(SettingsVM& vm, QWidget* parent) : QWidget(parent), vm_(vm) {
    auto* intro = new QLabel(QStringLiteral("Editor tools"), this);
    QFont bold = intro->font();
    bold.setBold(true);
    intro->setFont(bold);
    auto* hint = new QLabel(SettingsVM::shortcutHint(), this);
    hint->setForegroundRole(QPalette::PlaceholderText);
    hint->setWordWrap(true);
    hint->setObjectName(QStringLiteral("shortcutHint"));

    rowsHost_ = new QWidget;
    grid_ = new QGridLayout(rowsHost_);
    grid_->setContentsMargins(0, 4, 0, 4);
    grid_->setHorizontalSpacing(12);
    grid_->setVerticalSpacing(8);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(rowsHost_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->viewport()->setAutoFillBackground(false);
    rowsHost_->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(6);
    layout->addWidget(intro);
    layout->addWidget(hint);
    layout->addSpacing(8);
    layout->addWidget(scroll, 1);

    connect(&vm_, &SettingsVM::shortcutsChanged, this, [this] {
        QList<ToolKind> tools;
        for (const SettingsVM::ShortcutRow& row : vm_.shortcutRows()) {
            tools << row.tool;
        }
        if (tools != tools_) {
            rebuildRows();
        } else {
            refreshKeys();
        }
    });
    rebuildRows();
}

void ShortcutsSettingsTab::rebuildRows() {
    while (QLayoutItem* item = grid_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater(); // may be the field whose edit led here
        }
        delete item;
    }
    for (int r = 0; r < grid_->rowCount(); ++r) {
        grid_->setRowStretch(r, 0);
    }
    fields_.clear();
    tools_.clear();

    const QList<SettingsVM::ShortcutRow> rows = vm_.shortcutRows();
    const int perColumn = int((rows.size() + kColumns - 1) / kColumns);
    for (int i = 0; i < rows.size(); ++i) {
        const SettingsVM::ShortcutRow& row = rows.at(i);
        const int r = perColumn > 0 ? i % perColumn : 0;
        const int c = perColumn > 0 ? (i / perColumn) * 3 : 0;
        auto* name = new QLabel(row.name, rowsHost_);
        auto* field = new ShortcutKeyField(rowsHost_);
        field->setText(row.key);
        field->setAccessibleName(row.name);
        name->setBuddy(field);
        grid_->addWidget(name, r, c, Qt::AlignRight | Qt::AlignVCenter);
        grid_->addWidget(field, r, c + 1, Qt::AlignLeft | Qt::AlignVCenter);
        const ToolKind tool = row.tool;
        connect(field, &QLineEdit::textEdited, this,
                [this, tool](const QString& text) { onEdited(tool, text); });
        fields_.insert(tool, field);
        tools_ << tool;
    }
    // A gap between the two columns, and the rows kept at the top.
    grid_->setColumnMinimumWidth(2, 32);
    grid_->setColumnStretch(5, 1);
    grid_->setRowStretch(perColumn, 1);
}

void ShortcutsSettingsTab::refreshKeys() {
    for (auto it = fields_.begin(); it != fields_.end(); ++it) {
        const QString key = vm_.shortcutText(it.key());
        if (it.value()->text() != key) {
            const QSignalBlocker block(it.value());
            it.value()->setText(key);
        }
    }
}

void ShortcutsSettingsTab::onEdited(ToolKind tool, const QString& text) {
    const QString shown = vm_.setShortcut(tool, text);
    QLineEdit* f = fields_.value(tool, nullptr);
    if (!f) {
        return;
    }
    const QSignalBlocker block(f);
    f->setText(shown);
    f->selectAll(); // the next key replaces this one
}

} // namespace mebo
