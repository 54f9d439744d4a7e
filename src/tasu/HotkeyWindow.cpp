#include "HotkeyWindow.h"

#include "HotkeyBackend.h"
#include "TasuController.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tasu {

HotkeyWindow::HotkeyWindow(TasuController& controller, QWidget* parent)
    : QWidget(parent, Qt::Window), controller_(controller) {
    setWindowTitle(QStringLiteral("Hotkeys for Mebo"));
    auto* intro =
        new QLabel(QStringLiteral("Press a key combination in a field to bind it. The keys work in every "
                                  "application and start the capture in Mebo."),
                   this);
    intro->setWordWrap(true);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    int row = 0;
    for (const HotkeyBindings::Mode& m : HotkeyBindings::modes()) {
        auto* field = new QKeySequenceEdit(this);
        field->setObjectName(QStringLiteral("key-") + m.id);
        auto* clear = new QPushButton(QStringLiteral("Clear"), this);
        auto* state = new QLabel(this);
        state->setForegroundRole(QPalette::PlaceholderText);
        fields_.insert(m.id, field);
        states_.insert(m.id, state);
        grid->addWidget(new QLabel(m.title + QLatin1Char(':'), this), row, 0, Qt::AlignRight);
        grid->addWidget(field, row, 1);
        grid->addWidget(clear, row, 2);
        grid->addWidget(state, row, 3);
        connect(field, &QKeySequenceEdit::editingFinished, this, [this, field, mode = m.id] {
            const QString refused = controller_.setKey(mode, field->keySequence());
            refresh();
            if (!refused.isEmpty()) {
                states_.value(mode)->setText(refused);
            }
        });
        connect(clear, &QPushButton::clicked, this, [this, mode = m.id] {
            controller_.setKey(mode, {});
            refresh();
        });
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(3, 160);

    atLogin_ = new QCheckBox(QStringLiteral("Start Tasu when I log in"), this);
    backend_ = new QLabel(this);
    backend_->setWordWrap(true);
    backend_->setForegroundRole(QPalette::PlaceholderText);
    auto* quit = new QPushButton(QStringLiteral("Quit Tasu"), this);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(atLogin_);
    bottom->addStretch(1);
    bottom->addWidget(quit);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(12);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(backend_);
    layout->addStretch(1);
    layout->addLayout(bottom);

    connect(atLogin_, &QCheckBox::toggled, this,
            [](bool on) { TasuController::setStartsAtLogin(on, QCoreApplication::applicationFilePath()); });
    connect(quit, &QPushButton::clicked, qApp, &QCoreApplication::quit);
    connect(&controller_, &TasuController::changed, this, &HotkeyWindow::refresh);
    refresh();
    resize(640, 360);
}

void HotkeyWindow::refresh() {
    const bool choose = controller_.backend().choosesKeys();
    for (const HotkeyBindings::Mode& m : HotkeyBindings::modes()) {
        QKeySequenceEdit* field = fields_.value(m.id);
        const QKeySequence key = controller_.bindings().key(m.id);
        if (field->keySequence() != key) {
            const QSignalBlocker block(field);
            field->setKeySequence(key);
        }
        field->setEnabled(choose);
        const QString problem = controller_.problem(m.id);
        states_.value(m.id)->setText(key.isEmpty() ? QStringLiteral("not bound")
                                                   : (problem.isEmpty() ? QStringLiteral("bound") : problem));
    }
    {
        const QSignalBlocker block(atLogin_);
        atLogin_->setChecked(TasuController::startsAtLogin());
    }
    backend_->setText(
        choose ? QStringLiteral("Keys are bound with the X server (X11).")
               : QStringLiteral("This desktop binds global shortcuts itself: it asks you to confirm "
                                "the keys, and they can be changed in its keyboard settings."));
}

} // namespace tasu
