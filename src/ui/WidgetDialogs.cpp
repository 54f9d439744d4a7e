#include "ui/WidgetDialogs.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <memory>

namespace mebo {

QWidget* WidgetDialogs::parent() const {
    QWidget* p = parentFor_ ? parentFor_() : nullptr;
    return p && p->isVisible() ? p : nullptr;
}

void WidgetDialogs::alert(const QString& title, const QString& text, const QStringList& buttons,
                          std::function<void(int)> done) {
    auto* box = new QMessageBox(parent());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(title);
    box->setText(title);
    box->setInformativeText(text);
    QList<QAbstractButton*> added;
    for (int i = 0; i < buttons.size(); ++i) {
        // The first button is the default, the last one cancels (as alert buttons are read).
        const auto role = i == 0 ? QMessageBox::AcceptRole
                                 : (i == buttons.size() - 1 && buttons.size() > 1 ? QMessageBox::RejectRole
                                                                                  : QMessageBox::ActionRole);
        QPushButton* b = box->addButton(buttons[i], role);
        if (i == 0) {
            box->setDefaultButton(b);
        }
        added << b;
    }
    if (!box->parentWidget()) {
        box->setWindowModality(Qt::ApplicationModal);
    }
    // A message box sizes itself to its text, which can leave the title bar too narrow for the
    // title ("Project…adable"): a spacer across the bottom keeps the title readable.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        const int titleWidth = QFontMetrics(box->font()).horizontalAdvance(title) + 160;
        grid->addItem(
            new QSpacerItem(std::min(titleWidth, 640), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
    auto once = std::make_shared<std::function<void(int)>>(std::move(done));
    QObject::connect(box, &QMessageBox::finished, box, [box, added, once](int) {
        const int index = int(added.indexOf(box->clickedButton()));
        if (auto f = std::exchange(*once, nullptr)) {
            f(index);
        }
    });
    box->open();
}

void WidgetDialogs::pickFolder(const QString& prompt, const QString& startDir,
                               std::function<void(std::optional<QString>)> done) {
    auto* dialog = new QFileDialog(parent(), prompt, startDir);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setLabelText(QFileDialog::Accept, QObject::tr("Choose"));
    auto once = std::make_shared<std::function<void(std::optional<QString>)>>(std::move(done));
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, once](int result) {
        std::optional<QString> chosen;
        if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
            chosen = dialog->selectedFiles().constFirst();
        }
        if (auto f = std::exchange(*once, nullptr)) {
            f(chosen);
        }
    });
    dialog->open();
}

} // namespace mebo
