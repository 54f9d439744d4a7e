#include "ui/ArrangementButtons.h"

#include "editor/EditorVM.h"

#include <QGridLayout>
#include <QPushButton>

namespace mebo {

ArrangementButtons::ArrangementButtons(QWidget* parent) : QWidget(parent) {
    auto make = [this](const QString& text, const QString& tip, void (EditorVM::*command)()) {
        auto* button = new QPushButton(text, this);
        button->setToolTip(tip);
        connect(button, &QPushButton::clicked, this, [this, command] {
            if (editor_) {
                (editor_.data()->*command)();
                refresh();
            }
        });
        return button;
    };
    forward_ = make(QStringLiteral("Forward"), QStringLiteral("Bring the selected layer forward"),
                    &EditorVM::bringForward);
    backward_ = make(QStringLiteral("Backward"), QStringLiteral("Send the selected layer backward"),
                     &EditorVM::sendBackward);
    front_ = make(QStringLiteral("To Front"), QStringLiteral("Bring the selected layer to the front"),
                  &EditorVM::bringToFront);
    back_ = make(QStringLiteral("To Back"), QStringLiteral("Send the selected layer to the back"),
                 &EditorVM::sendToBack);
    lock_ =
        make(QStringLiteral("Lock"), QStringLiteral("Lock the selected layers so clicks pass through them"),
             &EditorVM::lockSelection);
    unlockAll_ = make(QStringLiteral("Unlock All"), QStringLiteral("Unlock every locked layer"),
                      &EditorVM::unlockAllLayers);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    grid->addWidget(forward_, 0, 0);
    grid->addWidget(backward_, 0, 1);
    grid->addWidget(front_, 1, 0);
    grid->addWidget(back_, 1, 1);
    grid->addWidget(lock_, 2, 0);
    grid->addWidget(unlockAll_, 2, 1);
    refresh();
}

void ArrangementButtons::setEditor(EditorVM* editor) {
    editor_ = editor;
    refresh();
}

void ArrangementButtons::refresh() {
    EditorVM* vm = editor_.data();
    int index = -1;
    int count = 0;
    bool anyLocked = false;
    bool anySelected = false;
    if (vm) {
        const LayerList& layers = vm->layers();
        count = int(layers.size());
        index = vm->selectedLayer() ? int(layers.indexOf(vm->selectedLayer())) : -1;
        anySelected = !vm->selectedLayers().isEmpty();
        anyLocked = std::any_of(layers.begin(), layers.end(), [](const LayerPtr& l) { return l->isLocked; });
    }
    const bool single = index >= 0;
    forward_->setEnabled(single && index < count - 1);
    front_->setEnabled(single && index < count - 1);
    backward_->setEnabled(single && index > 0);
    back_->setEnabled(single && index > 0);
    lock_->setEnabled(anySelected);
    unlockAll_->setEnabled(anyLocked);
}

} // namespace mebo
