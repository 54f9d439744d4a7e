#pragma once

#include "document/DrawingLayer.h"
#include "editor/ReviewList.h"
#include "editor/SimplifyDetector.h"

#include <QList>
#include <optional>

namespace mebo {

class EditorVM;

// The Simplify Auto review without its widgets: the scan of the capture, the review's text, the
// proposals with their check boxes (all checked at first) and applying the checked ones as one
// change. Only the latest scan's answer is taken. Main thread.
class SimplifyReview : public ReviewList {
    Q_OBJECT
public:
    SimplifyReview(EditorVM& editor, SimplifyDetector detector, QObject* parent = nullptr);

    // Scans the capture's base image off the main thread; `changed` when the answer is in.
    void scan();
    bool scanning() const override { return scanning_; }
    // SimplifyDetector::reviewText of the answer; empty before the first one.
    QString text() const override;
    const QList<SimplifyProposal>& items() const;
    int rowCount() const override { return int(items().size()); }
    // "Button   96x28 at 40, 120"
    QString rowText(int index) const override;
    bool isChecked(int index) const override { return checked_.value(index, false); }
    void setChecked(int index, bool checked) override;
    int checkedCount() const override;
    // One SimplifyLayer per checked proposal, as one undo step.
    void apply() override;

    // The layers that stand for proposals: each a plain shape in the object's colour.
    static LayerList layersFor(const QList<SimplifyProposal>& proposals);

private:
    EditorVM& editor_;
    SimplifyDetector detector_;
    quint64 generation_ = 0;
    bool scanning_ = false;
    std::optional<QList<SimplifyProposal>> found_; // nothing: not scanned yet, or the scan failed
    QList<bool> checked_;
};

} // namespace mebo
