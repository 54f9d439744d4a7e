#pragma once

#include "support/TestUtil.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace mebo::test {

// Starts `call` with a completion and waits for the value it is answered with. No answer within
// `timeoutMs` fails the test and gives nothing; an answer after that is dropped.
template <typename T>
std::optional<T> answerOf(const std::function<void(std::function<void(T)>)>& call, int timeoutMs = 30000) {
    auto answer = std::make_shared<std::optional<T>>();
    call([answer](T value) { *answer = std::move(value); });
    EXPECT_TRUE(waitUntil([&] { return answer->has_value(); }, timeoutMs)) << "no answer";
    return *answer;
}

} // namespace mebo::test
