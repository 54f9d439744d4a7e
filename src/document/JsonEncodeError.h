#pragma once

#include <QString>
#include <stdexcept>

namespace mebo {

// A value that JSON cannot hold (a NaN or infinite number), named by its key path.
class JsonEncodeError : public std::runtime_error {
public:
    explicit JsonEncodeError(const QString& description)
        : std::runtime_error(description.toStdString()), description_(description) {}

    const QString& description() const { return description_; }

private:
    QString description_;
};

} // namespace mebo
