#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

namespace mebo {

class SettingsVM;

// The execution log: its title with the count, the entries newest first (icon, time, message),
// "Copy All" and "Clear". Follows the log as it grows.
class LogsSettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit LogsSettingsTab(SettingsVM& vm, QWidget* parent = nullptr);

    QLabel* titleLabel() const { return title_; }
    QLabel* emptyLabel() const { return empty_; }
    QTreeWidget* list() const { return list_; }
    QPushButton* copyAllButton() const { return copyAll_; }
    QPushButton* clearButton() const { return clear_; }
    // Whether the list (not the empty text) is showing.
    bool showsEntries() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    SettingsVM& vm_;
    QLabel* title_ = nullptr;
    QLabel* empty_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QPushButton* copyAll_ = nullptr;
    QPushButton* clear_ = nullptr;
};

} // namespace mebo
