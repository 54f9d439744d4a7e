#pragma once

#include <QString>
#include <stdexcept>

namespace mebo {

// A JSON value that is missing or has the wrong type, with the key path that names it
// ("missing key 'rect'", "key 'color.r' is not a number").
class JsonDecodeError : public std::runtime_error {
public:
    explicit JsonDecodeError(const QString& description)
        : std::runtime_error(description.toStdString()), description_(description) {}

    const QString& description() const { return description_; }

private:
    QString description_;
};

} // namespace mebo
