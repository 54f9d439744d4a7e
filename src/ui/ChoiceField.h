#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QComboBox;

namespace mebo {

// One choice among a few values: a drop-down menu, or a row of toggle buttons (a segmented
// control) for short lists. Values are plain integers; the typed settings map onto them.
class ChoiceField : public QWidget {
    Q_OBJECT
public:
    enum class Look { menu, segmented };
    struct Item {
        QString text;
        int value = 0;
        QString toolTip;
    };

    ChoiceField(Look look, const QList<Item>& items, QWidget* parent = nullptr);

    Look look() const { return look_; }
    const QList<Item>& items() const { return items_; }
    int value() const;
    // Shows the value without emitting anything.
    void setValue(int value);
    // Picks the item with this value as the user would (emits chosen).
    void choose(int value);

    QComboBox* comboBox() const { return combo_; }
    QButtonGroup* buttons() const { return group_; }
    // The segment of a value (nullptr for a menu or an unknown value).
    QAbstractButton* button(int value) const;

Q_SIGNALS:
    void chosen(int value);

private:
    Look look_;
    QList<Item> items_;
    QComboBox* combo_ = nullptr;
    QButtonGroup* group_ = nullptr;
};

} // namespace mebo
