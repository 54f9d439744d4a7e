#include "ui/OcrResultWindow.h"

#include "editor/OcrResultWindowModel.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QVBoxLayout>

namespace mebo {

OcrResultWindow::OcrResultWindow(OcrResultWindowModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model) {
    setWindowTitle(QStringLiteral("OCR Text Recognition"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(kWidth, kHeight);
    setMinimumSize(kMinWidth, kMinHeight);

    text_ = new QPlainTextEdit(this);
    text_->setUndoRedoEnabled(true);
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    status_ = new QLabel(this);
    status_->setForegroundRole(QPalette::PlaceholderText);
    copy_ = new QPushButton(QStringLiteral("Copy All"), this);
    join_ = new QPushButton(QStringLiteral("Join Lines"), this);
    join_->setToolTip(QStringLiteral("Replace newlines with spaces (Ctrl+Z to undo)"));
    region_ = new QPushButton(QStringLiteral("Select Region..."), this);
    overlay_ = new QPushButton(QStringLiteral("Overlay"), this);
    overlay_->setToolTip(QStringLiteral("Create editable text layers over recognized image text"));
    close_ = new QPushButton(QStringLiteral("Close"), this);

    // The status line has a row of its own, so the buttons never squeeze it.
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kButtonSpacing);
    buttons->addStretch(1);
    for (QPushButton* b : {copy_, join_, region_, overlay_, close_}) {
        b->setAutoDefault(false);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        buttons->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(kButtonSpacing);
    layout->addWidget(text_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    connect(copy_, &QPushButton::clicked, &model_, &OcrResultWindowModel::copyAll);
    connect(join_, &QPushButton::clicked, &model_, &OcrResultWindowModel::joinLines);
    connect(region_, &QPushButton::clicked, &model_, &OcrResultWindowModel::selectRegion);
    connect(overlay_, &QPushButton::clicked, &model_, &OcrResultWindowModel::overlay);
    connect(close_, &QPushButton::clicked, this, &QWidget::hide);

    connect(&model_, &OcrResultWindowModel::statusChanged, this,
            [this] { status_->setText(model_.status()); });
    connect(&model_, &OcrResultWindowModel::shown, this, &OcrResultWindow::present);
    // Join Lines replaces everything through the editor's own undo stack: one Ctrl+Z restores.
    connect(&model_, &OcrResultWindowModel::textReplaced, this, [this](const QString& text) {
        applying_ = true;
        QTextCursor cursor(text_->document());
        cursor.select(QTextCursor::Document);
        cursor.insertText(text);
        applying_ = false;
    });
    connect(text_, &QPlainTextEdit::textChanged, this, [this] {
        if (!applying_) {
            model_.setText(text_->toPlainText());
        }
    });
}

QPushButton* OcrResultWindow::button(const QString& title) const {
    for (QPushButton* b : {copy_, join_, region_, overlay_, close_}) {
        if (b->text() == title) {
            return b;
        }
    }
    return nullptr;
}

void OcrResultWindow::syncButtons() {
    region_->setVisible(model_.canSelectRegion());
    overlay_->setVisible(model_.canOverlay());
}

void OcrResultWindow::present() {
    applying_ = true;
    text_->setPlainText(model_.text()); // a new result starts a new undo history
    applying_ = false;
    status_->setText(model_.status());
    syncButtons();
    if (!placed_) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            move(screen->availableGeometry().center() - rect().center());
        }
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

} // namespace mebo
