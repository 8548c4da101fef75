#pragma once

#include "library_target.h"

namespace vexa::test {

// The target loaded by this runner.
LibraryTarget& target();
// Registers the tests that go beyond the tables for this stage.
void registerProcessTests(TransportKind stage);

}  // namespace vexa::test
