#include "ui/StylePage.h"

#include "document/ShadowStyle.h"
#include "ui/ColorButton.h"
#include "ui/ColorField.h"
#include "ui/FontChoice.h"
#include "ui/GradientField.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>

namespace mebo {

StylePage::StylePage(ToolKind tool, Shown shown, Write write, QWidget* parent)
    : QWidget(parent), tool_(tool), shown_(std::move(shown)), write_(std::move(write)) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(12);
}

void StylePage::section(const QString& title) {
    auto* label = new QLabel(title, this);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    if (!firstSection_) {
        label->setContentsMargins(0, 6, 0, 0);
    }
    firstSection_ = false;
    addContainer(label, {});
}

QLabel* StylePage::hint(const QString& text) {
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    addContainer(label, {});
    return label;
}

QWidget* StylePage::addContainer(QWidget* container, std::function<void(const ToolStyles&)> refresh,
                                 const QString& caption, QWidget* control) {
    layout_->addWidget(container);
    rows_.append({caption, control ? control : container, container, std::move(refresh), groupCondition_});
    return container;
}

QWidget* StylePage::control(const QString& caption) const {
    for (const Row& row : rows_) {
        if (!caption.isEmpty() && row.caption == caption) {
            return row.control;
        }
    }
    return nullptr;
}

bool StylePage::isRowShown(const QString& caption) const {
    for (const Row& row : rows_) {
        if (!caption.isEmpty() && row.caption == caption) {
            return !row.container->isHidden();
        }
    }
    return false;
}

QWidget* StylePage::addRow(const QString& caption, QWidget* control,
                           std::function<void(const ToolStyles&)> refresh) {
    auto* container = new QWidget(this);
    auto* column = new QVBoxLayout(container);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    if (!caption.isEmpty()) {
        auto* label = new QLabel(caption, container);
        label->setBuddy(control);
        column->addWidget(label);
    }
    control->setParent(container);
    column->addWidget(control);
    return addContainer(container, std::move(refresh), caption, control);
}

ColorField* StylePage::color(const QString& caption, StyleField<QColor> field) {
    auto* control = new ColorField({}, this);
    control->picker()->setToolTip(caption);
    connect(control, &ColorField::edited, this, [this, field](const std::optional<QColor>& c) {
        if (c) {
            write_([field, c](ToolStyles& s) { field(s) = *c; }, true);
        }
    });
    addRow(caption, control, [control, field](const ToolStyles& s) { control->setValue(read(field, s)); });
    return control;
}

ColorField* StylePage::optionalColor(const QString& caption, StyleField<std::optional<QColor>> field,
                                     const QString& defaultText) {
    auto* control = new ColorField(defaultText, this);
    control->picker()->setToolTip(caption);
    connect(control, &ColorField::edited, this, [this, field](const std::optional<QColor>& c) {
        write_([field, c](ToolStyles& s) { field(s) = c; }, true);
    });
    addRow(caption, control, [control, field](const ToolStyles& s) { control->setValue(read(field, s)); });
    return control;
}

SliderField* StylePage::number(const QString& caption, StyleField<double> field, const NumberRange& range) {
    auto* control = new SliderField(range, {}, this);
    connect(control, &SliderField::edited, this,
            [this, field](const std::optional<double>& v, bool finished) {
                if (v) {
                    write_([field, v](ToolStyles& s) { field(s) = *v; }, finished);
                }
            });
    addRow(caption, control, [control, field](const ToolStyles& s) { control->setValue(read(field, s)); });
    return control;
}

SliderField* StylePage::optionalNumber(const QString& caption, StyleField<std::optional<double>> field,
                                       const NumberRange& range, const QString& defaultText) {
    auto* control = new SliderField(range, defaultText, this);
    connect(control, &SliderField::edited, this,
            [this, field](const std::optional<double>& v, bool finished) {
                write_([field, v](ToolStyles& s) { field(s) = v; }, finished);
            });
    addRow(caption, control, [control, field](const ToolStyles& s) { control->setValue(read(field, s)); });
    return control;
}

SliderField* StylePage::integer(const QString& caption, StyleField<int> field, const NumberRange& range) {
    NumberRange whole = range;
    whole.decimals = 0;
    auto* control = new SliderField(whole, {}, this);
    connect(control, &SliderField::edited, this,
            [this, field](const std::optional<double>& v, bool finished) {
                if (v) {
                    const int n = int(std::lround(*v));
                    write_([field, n](ToolStyles& s) { field(s) = n; }, finished);
                }
            });
    addRow(caption, control,
           [control, field](const ToolStyles& s) { control->setValue(double(read(field, s))); });
    return control;
}

QCheckBox* StylePage::toggle(const QString& text, StyleField<bool> field) {
    auto* control = new QCheckBox(text, this);
    connect(control, &QCheckBox::toggled, this,
            [this, field](bool on) { write_([field, on](ToolStyles& s) { field(s) = on; }, true); });
    addContainer(
        control,
        [control, field](const ToolStyles& s) {
            const QSignalBlocker block(control);
            control->setChecked(read(field, s));
        },
        text, control);
    return control;
}

FontChoice* StylePage::font(const QString& caption, StyleField<QString> field) {
    auto* control = new FontChoice(this);
    connect(control, &FontChoice::chosen, this, [this, field](const QString& family) {
        write_([field, family](ToolStyles& s) { field(s) = family; }, true);
    });
    addRow(caption, control, [control, field](const ToolStyles& s) { control->setValue(read(field, s)); });
    return control;
}

GradientField* StylePage::gradient(const QString& caption, StyleField<std::optional<GradientFill>> field) {
    auto* control = new GradientField(this);
    connect(control, &GradientField::edited, this, [this, field](const std::optional<GradientFill>& g) {
        write_([field, g](ToolStyles& s) { field(s) = g; }, true);
    });
    addRow(caption, control, [control, field](const ToolStyles& s) { control->setValue(read(field, s)); });
    // The control names itself; the row is still found by that name.
    rows_.last().caption = caption.isEmpty() ? QStringLiteral("Gradient") : caption;
    return control;
}

void StylePage::shadowAndOpacity(StyleField<ShadowStyle> shadow, StyleField<double> opacity) {
    QList<StyleOption<ShadowStyle>> shadows;
    for (ShadowStyle style : allShadowStyles()) {
        shadows.append({style == ShadowStyle::none ? QStringLiteral("None") : shadowStyleDisplayName(style),
                        style, shadowStyleDisplayName(style)});
    }
    choice(QStringLiteral("Shadow"), std::move(shadow), shadows, ChoiceField::Look::segmented);
    number(QStringLiteral("Opacity"), std::move(opacity), {5, 100, 1, 0, QStringLiteral(" %"), 100});
}

ChoiceField* StylePage::addChoice(const QString& caption, const QList<ChoiceField::Item>& items,
                                  ChoiceField::Look look, std::function<int(const ToolStyles&)> get,
                                  std::function<void(ToolStyles&, int)> set) {
    auto* control = new ChoiceField(look, items, this);
    connect(control, &ChoiceField::chosen, this,
            [this, set](int v) { write_([set, v](ToolStyles& s) { set(s, v); }, true); });
    addRow(caption, control, [control, get](const ToolStyles& s) { control->setValue(get(s)); });
    return control;
}

void StylePage::showWhen(Condition condition) {
    if (rows_.isEmpty()) {
        return;
    }
    Row& row = rows_.last();
    if (row.condition) {
        row.condition = [a = row.condition, b = std::move(condition)](const ToolStyles& s) {
            return a(s) && b(s);
        };
    } else {
        row.condition = std::move(condition);
    }
}

void StylePage::beginCondition(Condition condition) {
    groupCondition_ = std::move(condition);
}

void StylePage::endCondition() {
    groupCondition_ = {};
}

void StylePage::finish() {
    layout_->addStretch(1);
}

void StylePage::refresh() {
    const ToolStyles s = shown_();
    for (const Row& row : rows_) {
        if (row.refresh) {
            row.refresh(s);
        }
        row.container->setHidden(row.condition && !row.condition(s));
    }
}

} // namespace mebo
