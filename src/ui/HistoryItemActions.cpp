#include "ui/HistoryItemActions.h"

#include "library/HistoryListModel.h"
#include "library/HistoryStore.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>
#include <optional>

namespace mebo {

namespace {

std::optional<HistoryEntry> entryAt(const QAbstractItemView* view, const QModelIndex& index) {
    const auto* model = qobject_cast<const HistoryListModel*>(view->model());
    if (!model || !index.isValid()) {
        return std::nullopt;
    }
    return model->entryAt(index.row());
}

} // namespace

HistoryItemActions::HistoryItemActions(HistoryStore& store, RevealFile revealFile, QObject* parent)
    : QObject(parent), store_(store), revealFile_(std::move(revealFile)) {}

void HistoryItemActions::attach(QAbstractItemView* view, OpenOn openOn) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
        const QModelIndex index = view->indexAt(pos);
        const std::optional<HistoryEntry> entry = entryAt(view, index);
        if (!entry) {
            return;
        }
        view->setCurrentIndex(index);
        makeMenu(*entry, view)->popup(view->viewport()->mapToGlobal(pos));
    });
    auto openIndex = [this, view](const QModelIndex& index) {
        if (const std::optional<HistoryEntry> entry = entryAt(view, index)) {
            open(*entry);
        }
    };
    if (openOn == OpenOn::click) {
        connect(view, &QAbstractItemView::clicked, this, openIndex);
    } else {
        connect(view, &QAbstractItemView::doubleClicked, this, openIndex);
    }
    view->installEventFilter(this);
}

bool HistoryItemActions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    auto* view = qobject_cast<QAbstractItemView*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    if (!view || (key->modifiers() | Qt::KeypadModifier) != Qt::KeypadModifier) {
        return false;
    }
    const bool openKey = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!openKey && key->key() != Qt::Key_Delete) {
        return false;
    }
    const std::optional<HistoryEntry> entry = entryAt(view, view->currentIndex());
    if (!entry) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // The key belongs to the list while it has the focus, not to a menu shortcut (the
        // editor's Delete would remove a layer of the open capture instead).
        key->accept();
        return true;
    }
    if (openKey) {
        open(*entry);
    } else {
        moveToTrash(*entry);
    }
    return true;
}

QMenu* HistoryItemActions::makeMenu(const HistoryEntry& entry, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* open = menu->addAction(QStringLiteral("Open"), this, [this, entry] { this->open(entry); });
    menu->setDefaultAction(open);
    QAction* reveal =
        menu->addAction(QStringLiteral("Show in Folder"), this, [this, entry] { showInFolder(entry); });
    reveal->setEnabled(QFileInfo::exists(store_.mainFilePath(entry)));
    const bool image = entry.mediaType == QLatin1String("image");
    if (commands_.copy) { // a recording: its file
        menu->addAction(QStringLiteral("Copy"), this, [this, entry] { commands_.copy(entry); });
    }
    if (commands_.exportItem && image) {
        menu->addAction(QStringLiteral("Export..."), this, [this, entry] { commands_.exportItem(entry); });
    }
    if (commands_.pin && image) {
        menu->addAction(QStringLiteral("Pin to Screen"), this, [this, entry] { commands_.pin(entry); });
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("Rename..."), this, [this, entry, parent] { rename(entry, parent); });
    menu->addAction(QStringLiteral("Edit Tags..."), this, [this, entry, parent] { editTags(entry, parent); });
    menu->addSeparator();
    QAction* trash =
        menu->addAction(QStringLiteral("Move to Trash"), this, [this, entry] { moveToTrash(entry); });
    // Shown as a hint only: the views handle the key themselves.
    trash->setShortcut(QKeySequence(Qt::Key_Delete));
    trash->setShortcutContext(Qt::WidgetShortcut);
    trash->setShortcutVisibleInContextMenu(true);
    return menu;
}

void HistoryItemActions::open(const HistoryEntry& entry) {
    Q_EMIT openRequested(entry);
}

void HistoryItemActions::showInFolder(const HistoryEntry& entry) {
    if (revealFile_) {
        revealFile_(store_.mainFilePath(entry));
    }
}

QDialog* HistoryItemActions::editTags(const HistoryEntry& entry, QWidget* parent) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("EditTagsDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Edit Tags"));
    if (parent) {
        dialog->setWindowModality(Qt::WindowModal);
    }

    auto* prompt = new QLabel(QStringLiteral("Tags for “%1”, separated by commas:")
                                  .arg(QFileInfo(entry.filename).completeBaseName()),
                              dialog);
    prompt->setWordWrap(true);
    auto* field = new QLineEdit(entry.tags.join(QStringLiteral(", ")), dialog);
    field->setObjectName(QStringLiteral("tagsField"));
    field->setPlaceholderText(QStringLiteral("e.g. bug, login page"));
    field->setClearButtonEnabled(true);
    field->setMinimumWidth(320);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, dialog);

    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(6);
    layout->addWidget(prompt);
    layout->addWidget(field);
    layout->addSpacing(6);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    const QString id = entry.id;
    connect(dialog, &QDialog::accepted, this, [this, id, field] { setTags(id, parseTags(field->text())); });
    dialog->open();
    field->selectAll();
    field->setFocus();
    return dialog;
}

QDialog* HistoryItemActions::rename(const HistoryEntry& entry, QWidget* parent) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("RenameDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Rename"));
    if (parent) {
        dialog->setWindowModality(Qt::WindowModal);
    }
    const QFileInfo file(entry.filename);
    auto* prompt = new QLabel(QStringLiteral("New name for “%1”:").arg(file.fileName()), dialog);
    auto* field = new QLineEdit(file.completeBaseName(), dialog);
    field->setObjectName(QStringLiteral("nameField"));
    field->setMinimumWidth(320);
    auto* problem = new QLabel(dialog);
    problem->setObjectName(QStringLiteral("renameProblem"));
    problem->setWordWrap(true);
    problem->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Rename"));
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(prompt);
    layout->addWidget(field);
    layout->addWidget(problem);
    layout->addWidget(buttons);
    const HistoryEntry target = entry;
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [this, dialog, field, problem, target] {
        QString why;
        if (store_.renameEntry(target, field->text(), &why)) {
            dialog->accept();
            return;
        }
        problem->setText(why);
        problem->show();
        field->setFocus();
    });
    dialog->open();
    field->selectAll();
    field->setFocus();
    return dialog;
}

void HistoryItemActions::moveToTrash(const HistoryEntry& entry) {
    // A copy: the store removes the entry from the list the caller's reference may point into.
    const HistoryEntry victim = entry;
    store_.deleteEntry(victim);
}

bool HistoryItemActions::setTags(const QString& entryId, const QStringList& tags) {
    for (const HistoryEntry& e : store_.entries()) {
        if (e.id == entryId) {
            if (e.tags == tags) {
                return true;
            }
            HistoryEntry changed = e;
            changed.tags = tags;
            return store_.updateEntry(changed);
        }
    }
    return false;
}

QStringList HistoryItemActions::parseTags(const QString& text) {
    QStringList out;
    QSet<QString> seen;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QString tag = part.simplified();
        if (!tag.isEmpty() && !seen.contains(tag.toCaseFolded())) {
            seen.insert(tag.toCaseFolded());
            out << tag;
        }
    }
    return out;
}

} // namespace mebo
