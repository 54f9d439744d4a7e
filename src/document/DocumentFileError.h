#pragma once

#include <QString>
#include <stdexcept>

namespace mebo {

// A project file that could not be read from or written to disk (missing, unreadable, disk full,
// no permission). The file on disk keeps its previous content.
class DocumentFileError : public std::runtime_error {
public:
    explicit DocumentFileError(const QString& description)
        : std::runtime_error(description.toStdString()), description_(description) {}

    const QString& description() const { return description_; }

private:
    QString description_;
};

} // namespace mebo
