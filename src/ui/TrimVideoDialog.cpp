#include "ui/TrimVideoDialog.h"

#include "capture/CaptureMgr.h"
#include "recording/VideoTrimmer.h"
#include "ui/AppPalette.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mebo {

TrimVideoDialog::TrimVideoDialog(double durationSec, QWidget* parent)
    : QDialog(parent), duration_(durationSec) {
    setObjectName(QStringLiteral("trimVideoDialog"));
    setWindowTitle(QStringLiteral("Trim Video"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    auto* title = new QLabel(QStringLiteral("Trim Video"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    layout->addWidget(new QLabel(CaptureMgr::trimPromptText(durationSec), this));

    // The accessory: two labelled fields, 240 by 54.
    auto* accessory = new QWidget(this);
    accessory->setMinimumSize(240, 54);
    auto* grid = new QGridLayout(accessory);
    grid->setContentsMargins(0, 4, 0, 0);
    const QString duration = QString::number(durationSec, 'f', 1);
    start_ = new QLineEdit(accessory);
    start_->setObjectName(QStringLiteral("trimStart"));
    start_->setPlaceholderText(QStringLiteral("0.0"));
    end_ = new QLineEdit(duration, accessory);
    end_->setObjectName(QStringLiteral("trimEnd"));
    end_->setPlaceholderText(duration);
    grid->addWidget(new QLabel(QStringLiteral("Start:"), accessory), 0, 0);
    grid->addWidget(start_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("End:"), accessory), 1, 0);
    grid->addWidget(end_, 1, 1);
    layout->addWidget(accessory);

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("trimProblem"));
    layout->addWidget(problem_);

    auto* buttons = new QDialogButtonBox(this);
    trim_ = buttons->addButton(QStringLiteral("Trim"), QDialogButtonBox::AcceptRole);
    trim_->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(start_, &QLineEdit::textChanged, this, &TrimVideoDialog::validate);
    connect(end_, &QLineEdit::textChanged, this, &TrimVideoDialog::validate);
    validate();
    start_->setFocus();
}

QString TrimVideoDialog::startText() const {
    return start_->text();
}
QString TrimVideoDialog::endText() const {
    return end_->text();
}

void TrimVideoDialog::validate() {
    const auto r = VideoTrimmer::rangeOf(start_->text(), end_->text(), duration_);
    const bool ok = r.startSec < r.endSec;
    trim_->setEnabled(ok);
    QPalette text = palette();
    text.setColor(QPalette::WindowText,
                  ok ? palette().color(QPalette::PlaceholderText) : AppPalette::warningText(palette()));
    problem_->setPalette(text);
    problem_->setText(
        ok ? QStringLiteral("Keeps %1 s to %2 s.").arg(r.startSec, 0, 'f', 1).arg(r.endSec, 0, 'f', 1)
           : QStringLiteral("The start must come before the end."));
}

} // namespace mebo
