// libtevra.so for the benchmarks: every write goes out whole at once and
// every read delivers the answer set beforehand, so what a call costs beyond
// the transport sequence itself is the library's.
#include "bench_transport.h"

#include <stdint.h>
#include <string.h>

#define BENCH_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

uint8_t answer[kBenchReplyMax];
int32_t answerLength = 0;
// A frame the next write must carry (checked once, before measuring).
const uint8_t* expected = nullptr;
int32_t expectedLength = 0;
int mismatches = 0;

}  // namespace

BENCH_EXPORT void benchTransportAnswer(const uint8_t* reply, int32_t length) {
  answerLength = length < kBenchReplyMax ? length : kBenchReplyMax;
  memcpy(answer, reply, static_cast<size_t>(answerLength));
}

BENCH_EXPORT void benchTransportExpect(const uint8_t* frame, int32_t length) {
  expected = frame;
  expectedLength = length;
}

BENCH_EXPORT int benchTransportMismatches() { return mismatches; }

BENCH_EXPORT int32_t hidWriteData(int32_t, int32_t length, uint8_t* frame) {
  if (expected != nullptr) {
    if (length != expectedLength || memcmp(frame, expected, static_cast<size_t>(length)) != 0) {
      ++mismatches;
    }
    expected = nullptr;
  }
  return length;
}

BENCH_EXPORT int32_t hidReadData(int32_t, int32_t size, uint8_t* reply) {
  const int32_t n = answerLength < size ? answerLength : size;
  memcpy(reply, answer, static_cast<size_t>(n));
  return n;
}
