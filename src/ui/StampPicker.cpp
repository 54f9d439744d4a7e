#include "ui/StampPicker.h"

#include "document/CustomStampMgr.h"
#include "document/StampImageCache.h"
#include "document/StampPalette.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace mebo {

namespace {

constexpr int kColumns = 6;
constexpr int kIconSize = 22;
constexpr int kButtonSize = 32;
const char* const kSymbolProperty = "meboStampSymbol";
const char* const kCustomProperty = "meboStampPath";

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

StampPicker::StampPicker(CustomStampMgr& stamps, QWidget* parent) : QWidget(parent), stamps_(stamps) {
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(6);

    for (const StampCategory& category : StampPalette::categories()) {
        layout_->addWidget(caption(category.name, this));
        auto* grid = new QGridLayout;
        grid->setSpacing(4);
        int i = 0;
        for (const StampPreset& preset : category.items) {
            QToolButton* button = makeButton(preset.label);
            button->setProperty(kSymbolProperty, preset.symbol);
            connect(button, &QToolButton::clicked, this, [this, symbol = preset.symbol] {
                setCurrent(symbol, std::nullopt);
                Q_EMIT symbolChosen(symbol);
            });
            grid->addWidget(button, i / kColumns, i % kColumns);
            ++i;
        }
        grid->setColumnStretch(kColumns, 1);
        layout_->addLayout(grid);
    }

    customSection_ = new QWidget(this);
    auto* customColumn = new QVBoxLayout(customSection_);
    customColumn->setContentsMargins(0, 0, 0, 0);
    customColumn->setSpacing(6);
    customColumn->addWidget(caption(QStringLiteral("My Stamps"), customSection_));
    customGrid_ = new QGridLayout;
    customGrid_->setSpacing(4);
    customColumn->addLayout(customGrid_);
    layout_->addWidget(customSection_);

    import_ = new QPushButton(QStringLiteral("Import Stamp..."), this);
    import_->setToolTip(QStringLiteral("Add a PNG, JPEG or SVG image as a stamp"));
    layout_->addWidget(import_, 0, Qt::AlignLeft);
    connect(import_, &QPushButton::clicked, this, &StampPicker::chooseImport);

    rebuildCustom();
    rebuildIcons();
}

QToolButton* StampPicker::makeButton(const QString& toolTip) {
    auto* button = new QToolButton(this);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setToolTip(toolTip);
    group_->addButton(button);
    return button;
}

void StampPicker::rebuildIcons() {
    // Symbols are drawn in the text colour so they read in both appearances; the canvas tints
    // them with the stroke colour.
    const QColor tint = palette().color(QPalette::WindowText);
    const double dpr = devicePixelRatioF();
    const int pixels = int(kIconSize * dpr);
    for (QAbstractButton* button : group_->buttons()) {
        const QString symbol = button->property(kSymbolProperty).toString();
        const QString path = button->property(kCustomProperty).toString();
        QImage image = !symbol.isEmpty() ? StampImageCache::shared().symbol(symbol, pixels, tint)
                                         : StampImageCache::shared().customImage(path, pixels);
        if (image.isNull()) {
            button->setText(QStringLiteral("?"));
            continue;
        }
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(dpr);
        button->setIcon(QIcon(pixmap));
    }
}

void StampPicker::rebuildCustom() {
    for (QAbstractButton* button : group_->buttons()) {
        if (!button->property(kCustomProperty).toString().isEmpty()) {
            group_->removeButton(button);
            delete button;
        }
    }
    int i = 0;
    for (const CustomStamp& stamp : stamps_.stamps()) {
        const QString path = stamps_.imagePath(stamp);
        QToolButton* button = makeButton(stamp.label);
        button->setProperty(kCustomProperty, path);
        connect(button, &QToolButton::clicked, this, [this, path] {
            setCurrent(symbol_, path);
            Q_EMIT customChosen(path);
        });
        customGrid_->addWidget(button, i / kColumns, i % kColumns);
        ++i;
    }
    customGrid_->setColumnStretch(kColumns, 1);
    customSection_->setHidden(stamps_.stamps().isEmpty());
    setCurrent(symbol_, customPath_);
}

void StampPicker::setCurrent(const QString& symbol, const std::optional<QString>& customImagePath) {
    symbol_ = symbol;
    customPath_ = customImagePath && !customImagePath->isEmpty() ? customImagePath : std::nullopt;
    QToolButton* current = customPath_ ? customButton(*customPath_) : symbolButton(symbol);
    if (current) {
        current->setChecked(true);
    } else if (QAbstractButton* checked = group_->checkedButton()) {
        group_->setExclusive(false);
        checked->setChecked(false);
        group_->setExclusive(true);
    }
}

QToolButton* StampPicker::symbolButton(const QString& symbol) const {
    for (QAbstractButton* button : group_->buttons()) {
        if (!symbol.isEmpty() && button->property(kSymbolProperty).toString() == symbol) {
            return static_cast<QToolButton*>(button);
        }
    }
    return nullptr;
}

QToolButton* StampPicker::customButton(const QString& imagePath) const {
    for (QAbstractButton* button : group_->buttons()) {
        if (!imagePath.isEmpty() && button->property(kCustomProperty).toString() == imagePath) {
            return static_cast<QToolButton*>(button);
        }
    }
    return nullptr;
}

bool StampPicker::importFile(const QString& path, QString* error) {
    const std::optional<CustomStamp> stamp = stamps_.importImage(path, {}, error);
    if (!stamp) {
        return false;
    }
    const QString imagePath = stamps_.imagePath(*stamp);
    customPath_ = imagePath;
    rebuildCustom();
    rebuildIcons();
    Q_EMIT customChosen(imagePath);
    return true;
}

void StampPicker::chooseImport() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import Stamp"), QString(),
                                                      QStringLiteral("Images (*.png *.jpg *.jpeg *.svg)"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!importFile(path, &error)) {
        QMessageBox::warning(this, QStringLiteral("Import Stamp"), error);
    }
}

void StampPicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        rebuildIcons();
    }
}

} // namespace mebo
