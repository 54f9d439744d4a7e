#include "ui/SmartRedactSheet.h"

#include "editor/SmartRedactReview.h"

namespace mebo {

SmartRedactSheet::SmartRedactSheet(SmartRedactReview& review, QWidget* parent)
    : ReviewSheet(review,
                  Texts{QStringLiteral("Smart Redact"), QStringLiteral("Scanning for sensitive text..."),
                        QStringLiteral("Cover the checked items (Ctrl+Enter)")},
                  parent) {}

} // namespace mebo
