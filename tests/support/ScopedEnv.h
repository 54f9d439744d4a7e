#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace mebo::test {

// Sets an environment variable (or unsets it, given a null value) for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnv() { old_.isNull() ? qunsetenv(name_) : qputenv(name_, old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    QByteArray old_;
};

} // namespace mebo::test
