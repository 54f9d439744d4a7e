#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <utility>

namespace mebo {

// A value or the description of why there is none. Platform calls answer with it so the
// core can log the platform's own reason in its log lines.
template <class T> class Result {
public:
    static Result ok(T value) {
        Result r;
        r.value_ = std::move(value);
        return r;
    }
    static Result fail(QString error) {
        Result r;
        r.error_ = std::move(error);
        return r;
    }

    bool isOk() const { return value_.has_value(); }
    explicit operator bool() const { return isOk(); }
    const T& value() const& { return *value_; }
    T& value() & { return *value_; }
    T&& value() && { return std::move(*value_); }
    const T* operator->() const { return &*value_; }
    const QString& error() const { return error_; }

private:
    std::optional<T> value_;
    QString error_;
};

// Completions of asynchronous platform calls run on the main thread, exactly once, and never
// before the call that started them has returned.
template <class T> using Completion = std::function<void(Result<T>)>;

} // namespace mebo
