#pragma once

#include <QObject>
#include <QString>

namespace mebo {

// A scan's findings offered for review before they change the capture (Smart Redact, Simplify
// Auto): a line of text about the answer, one row with a check box per finding, and applying the
// checked ones. Main thread.
class ReviewList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool scanning() const = 0;
    // The answer in words; empty before the first one.
    virtual QString text() const = 0;
    virtual int rowCount() const = 0;
    virtual QString rowText(int index) const = 0;
    virtual bool isChecked(int index) const = 0;
    virtual void setChecked(int index, bool checked) = 0;
    virtual int checkedCount() const = 0;
    virtual void apply() = 0;

Q_SIGNALS:
    void changed();
};

} // namespace mebo
