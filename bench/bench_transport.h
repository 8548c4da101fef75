// Control interface of the benchmark transport.
#pragma once

#include <stdint.h>

inline constexpr int32_t kBenchReplyMax = 248;

// The reply every read delivers from now on.
using BenchTransportAnswerFn = void (*)(const uint8_t* reply, int32_t length);
// The next write must carry exactly this frame (kept by pointer).
using BenchTransportExpectFn = void (*)(const uint8_t* frame, int32_t length);
// Writes whose frame differed from the one expected.
using BenchTransportMismatchesFn = int (*)();
