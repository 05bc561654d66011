// What a fuzz harness does when a property of the code under test does not
// hold. Under libFuzzer the input must crash so that it is kept as a finding;
// under gtest the replay wants every broken property listed instead.
#pragma once

#include <string>

namespace vorel::fuzz {

using FailureHandler = void (*)(const std::string& what);

// Replaces the handler; null restores the default, which prints `what` and aborts.
void SetFailureHandler(FailureHandler handler);

// Reports a broken property through the current handler.
void Fail(const std::string& what);

inline void Require(bool holds, const char* what) {
    if (!holds) Fail(what);
}

}  // namespace vorel::fuzz
