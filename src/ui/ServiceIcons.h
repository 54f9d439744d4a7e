#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace mebo {

// Small icons of the service tabs, drawn in `ink` for the panel's sizes: the ticket categories
// ("ant.fill", "lightbulb.fill", "questionmark.circle.fill", "ellipsis.circle.fill"), the support
// team's badge ("person.badge.shield.checkmark.fill") and a status dot.
class ServiceIcons {
public:
    static QIcon symbol(const QString& name, const QColor& ink);
    static QIcon dot(const QColor& color);
};

} // namespace mebo
