#include "harness/check.h"

#include <cstdio>
#include <cstdlib>

namespace vorel::fuzz {
namespace {

FailureHandler g_handler = nullptr;

}  // namespace

void SetFailureHandler(FailureHandler handler) {
    g_handler = handler;
}

void Fail(const std::string& what) {
    if (g_handler != nullptr) {
        g_handler(what);
        return;
    }
    std::fprintf(stderr, "vorel fuzz property broken: %s\n", what.c_str());
    std::abort();
}

}  // namespace vorel::fuzz
