#pragma once

#include "support/Fakes.h"

#include <functional>
#include <memory>

namespace mebo::test {

// For a service that owns the dialogs of its window: alerts and answers go through `dialogs`.
inline std::function<std::unique_ptr<platform::Dialogs>(QObject*)> perWindow(FakeDialogs& dialogs) {
    struct Shared : platform::Dialogs {
        FakeDialogs& to;
        explicit Shared(FakeDialogs& d) : to(d) {}
        void alert(const QString& t, const QString& x, const QStringList& b,
                   std::function<void(int)> f) override {
            to.alert(t, x, b, std::move(f));
        }
        void pickFolder(const QString& p, const QString& d,
                        std::function<void(std::optional<QString>)> f) override {
            to.pickFolder(p, d, std::move(f));
        }
    };
    return [&dialogs](QObject*) { return std::make_unique<Shared>(dialogs); };
}

} // namespace mebo::test
