#pragma once

#include "editor/DetectedPII.h"
#include "editor/PIIDetector.h"
#include "editor/ReviewList.h"

#include <QList>
#include <QString>
#include <optional>

namespace mebo {

class EditorVM;

// The Smart Redact review sheet without its widgets: the scan of the capture, the sheet's text,
// the items with their check boxes (all checked at first) and applying the checked ones as one
// change. Only the latest scan's answer is taken. Main thread.
class SmartRedactReview : public ReviewList {
    Q_OBJECT
public:
    SmartRedactReview(EditorVM& editor, PIIDetector detector, QObject* parent = nullptr);

    // Scans the capture's base image off the main thread; `changed` when the answer is in.
    void scan();
    bool scanning() const override { return scanning_; }

    // "Found %d sensitive items.", "No sensitive text was found." or "Smart Redact could not scan
    // this image."; empty before the first answer.
    QString text() const override;
    const QList<DetectedPII>& items() const;
    int rowCount() const override { return int(items().size()); }
    // "Email   j***@****.com"
    QString rowText(int index) const override;
    bool isChecked(int index) const override { return checked_.value(index, false); }
    void setChecked(int index, bool checked) override;
    int checkedCount() const override;
    // Where the ticked items are (image pixels): what Apply would cover.
    QList<QRect> checkedBoxes() const;
    // One mosaic layer per checked item, in the mosaic tool's style, as one undo step.
    void apply() override;

private:
    EditorVM& editor_;
    PIIDetector detector_;
    quint64 generation_ = 0;
    bool scanning_ = false;
    std::optional<QList<DetectedPII>> found_; // nothing: not scanned yet, or the scan failed
    QList<bool> checked_;
};

} // namespace mebo
