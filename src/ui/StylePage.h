#pragma once

#include "document/ToolKind.h"
#include "editor/ToolStyles.h"
#include "ui/ChoiceField.h"
#include "ui/SliderField.h"

#include <QList>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QVBoxLayout;

namespace mebo {

class ColorField;
class FontChoice;
class GradientField;

// Where a control reads and writes its value inside the settings.
template <typename T> using StyleField = std::function<T&(ToolStyles&)>;

template <typename T> StyleField<T> styleField(T ToolStyles::*member) {
    return [member](ToolStyles& s) -> T& { return s.*member; };
}
template <typename Group, typename T> StyleField<T> styleField(Group ToolStyles::*group, T Group::*member) {
    return [group, member](ToolStyles& s) -> T& { return (s.*group).*member; };
}

template <typename E> struct StyleOption {
    QString text;
    E value;
    QString toolTip;
};

// The settings of one tool as a column of captioned controls, each bound to one field of the
// settings. The page reads what it shows through `shown` and sends every edit as a change of one
// field through `write`; refresh() sets the controls without feeding back.
class StylePage : public QWidget {
    Q_OBJECT
public:
    using Change = std::function<void(ToolStyles&)>;
    using Shown = std::function<ToolStyles()>;
    using Write = std::function<void(const Change& change, bool finished)>;
    using Condition = std::function<bool(const ToolStyles&)>;

    StylePage(ToolKind tool, Shown shown, Write write, QWidget* parent = nullptr);

    ToolKind tool() const { return tool_; }

    // --- building ---
    void section(const QString& title);
    QLabel* hint(const QString& text);
    // A captioned custom control; `refresh` sets it from the shown settings.
    QWidget* addRow(const QString& caption, QWidget* control,
                    std::function<void(const ToolStyles&)> refresh = {});

    ColorField* color(const QString& caption, StyleField<QColor> field);
    ColorField* optionalColor(const QString& caption, StyleField<std::optional<QColor>> field,
                              const QString& defaultText = QStringLiteral("Default"));
    SliderField* number(const QString& caption, StyleField<double> field, const NumberRange& range);
    SliderField* optionalNumber(const QString& caption, StyleField<std::optional<double>> field,
                                const NumberRange& range,
                                const QString& defaultText = QStringLiteral("Default"));
    SliderField* integer(const QString& caption, StyleField<int> field, const NumberRange& range);
    QCheckBox* toggle(const QString& text, StyleField<bool> field);
    FontChoice* font(const QString& caption, StyleField<QString> field);
    GradientField* gradient(const QString& caption, StyleField<std::optional<GradientFill>> field);
    // Shadow and opacity, the closing rows of most tools.
    void shadowAndOpacity(StyleField<ShadowStyle> shadow, StyleField<double> opacity);

    template <typename E>
    ChoiceField* choice(const QString& caption, StyleField<E> field, const QList<StyleOption<E>>& options,
                        ChoiceField::Look look = ChoiceField::Look::menu) {
        QList<ChoiceField::Item> items;
        for (const StyleOption<E>& o : options) {
            items.append({o.text, int(o.value), o.toolTip});
        }
        return addChoice(
            caption, items, look, [field](const ToolStyles& s) { return int(read(field, s)); },
            [field](ToolStyles& s, int v) { field(s) = E(v); });
    }
    // The "Default" item stores no value.
    template <typename E>
    ChoiceField* optionalChoice(const QString& caption, StyleField<std::optional<E>> field,
                                const QList<StyleOption<E>>& options,
                                const QString& defaultText = QStringLiteral("Default"),
                                ChoiceField::Look look = ChoiceField::Look::menu) {
        QList<ChoiceField::Item> items{{defaultText, kDefaultChoice, {}}};
        for (const StyleOption<E>& o : options) {
            items.append({o.text, int(o.value), o.toolTip});
        }
        return addChoice(
            caption, items, look,
            [field](const ToolStyles& s) {
                const std::optional<E>& v = read(field, s);
                return v ? int(*v) : kDefaultChoice;
            },
            [field](ToolStyles& s, int v) {
                field(s) = v == kDefaultChoice ? std::nullopt : std::optional<E>(E(v));
            });
    }

    // The last row (or the rows up to the next endCondition) shows only while `condition` holds.
    void showWhen(Condition condition);
    void beginCondition(Condition condition);
    void endCondition();
    void finish();

    // --- use ---
    void refresh();
    // Sends one change, as the controls do.
    void write(const Change& change, bool finished) { write_(change, finished); }
    ToolStyles shown() const { return shown_(); }
    // The control of the row with this caption (a toggle's caption is its text), or nullptr.
    QWidget* control(const QString& caption) const;
    template <typename T> T* control(const QString& caption) const {
        return qobject_cast<T*>(control(caption));
    }
    // Whether that row is shown for the current values.
    bool isRowShown(const QString& caption) const;

    static constexpr int kDefaultChoice = -1;

private:
    struct Row {
        QString caption;
        QWidget* control;
        QWidget* container;
        std::function<void(const ToolStyles&)> refresh;
        Condition condition;
    };

    template <typename T> static const T& read(const StyleField<T>& field, const ToolStyles& s) {
        // The accessor only locates the field; nothing is written through it here.
        return field(const_cast<ToolStyles&>(s));
    }
    ChoiceField* addChoice(const QString& caption, const QList<ChoiceField::Item>& items,
                           ChoiceField::Look look, std::function<int(const ToolStyles&)> get,
                           std::function<void(ToolStyles&, int)> set);
    QWidget* addContainer(QWidget* container, std::function<void(const ToolStyles&)> refresh,
                          const QString& caption = {}, QWidget* control = nullptr);

    ToolKind tool_;
    Shown shown_;
    Write write_;
    QVBoxLayout* layout_;
    QList<Row> rows_;
    Condition groupCondition_;
    bool firstSection_ = true;
};

} // namespace mebo
