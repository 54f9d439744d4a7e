#pragma once

#include "document/ToolKind.h"

#include <QList>
#include <QMap>
#include <QWidget>

class QGridLayout;
class QLabel;
class QLineEdit;

namespace mebo {

class SettingsVM;

// One row per editor tool with a shortcut: its name and a one-key field. Every edit is applied
// at once; a key another tool uses brings up the conflict alert and the field shows its old key.
class ShortcutsSettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutsSettingsTab(SettingsVM& vm, QWidget* parent = nullptr);

    // The field of `tool`, or nullptr when the tool has no row.
    QLineEdit* field(ToolKind tool) const { return fields_.value(tool, nullptr); }
    QList<ToolKind> tools() const { return tools_; }

private:
    void rebuildRows();
    void refreshKeys();
    void onEdited(ToolKind tool, const QString& text);

    SettingsVM& vm_;
    QWidget* rowsHost_ = nullptr;
    QGridLayout* grid_ = nullptr;
    QList<ToolKind> tools_;
    QMap<ToolKind, QLineEdit*> fields_;
};

} // namespace mebo
