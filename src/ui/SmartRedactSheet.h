#pragma once

#include "ui/ReviewSheet.h"

namespace mebo {

class SmartRedactReview;

// The Smart Redact review sheet: the review's text, one check box per item ("Email  j***@****.com")
// and Apply, bound to the review. Window-modal on the editor; main thread.
class SmartRedactSheet : public ReviewSheet {
    Q_OBJECT
public:
    explicit SmartRedactSheet(SmartRedactReview& review, QWidget* parent = nullptr);
};

} // namespace mebo
