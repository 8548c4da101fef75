// The emulator's own tests: broken copies of the DLL that it must reject,
// each next to the unbroken call that it must accept.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "pe_image.h"

namespace vexa::emulator {

void registerSelfTests(const std::string& path, const Bytes& file);

// Registers a test whose body is `body`.
template <typename Body>
void registerFunctionTest(const std::string& suite, const std::string& name, Body body) {
  class FunctionTest : public testing::Test {
   public:
    explicit FunctionTest(Body b) : body_(std::move(b)) {}
    void TestBody() override { body_(); }

   private:
    Body body_;
  };
  testing::RegisterTest(suite.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                        [body]() -> testing::Test* { return new FunctionTest(body); });
}

}  // namespace vexa::emulator
