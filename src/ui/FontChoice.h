#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QFontComboBox;

namespace mebo {

// A font family setting: the installed families, or the system font (stored as an empty name).
class FontChoice : public QWidget {
    Q_OBJECT
public:
    explicit FontChoice(QWidget* parent = nullptr);

    // Empty: the system font.
    QString value() const;
    // Shows the family without emitting anything.
    void setValue(const QString& family);

    QFontComboBox* comboBox() const { return combo_; }
    QCheckBox* systemBox() const { return system_; }

Q_SIGNALS:
    void chosen(const QString& family);

private:
    QFontComboBox* combo_;
    QCheckBox* system_;
};

} // namespace mebo
