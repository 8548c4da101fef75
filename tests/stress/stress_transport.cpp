// libtevra.so for the stress test: answers every frame by its content
// (responder.h), counts what it sees, and keeps each thread's last frame for
// that thread to check. It takes no lock of its own, so it adds no ordering
// between threads that could hide a race in the library.
#include "stress_transport.h"

#include <atomic>
#include <initializer_list>

#include "frame_check.h"
#include "responder.h"

#define STRESS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace vexa::stress;

constexpr int32_t kChannel = 0;

std::atomic<int> writes, reads, malformed, overlaps, open;
// The exchange between a write and its read: the library's lock alone keeps
// other threads away from it.
Answer pending;

thread_local uint8_t lastFrame[kMaxFrame];
thread_local int32_t lastLength = -1;

// Relaxed throughout: atomics with ordering would give ThreadSanitizer
// happens-before edges of their own.
void bump(std::atomic<int>& counter) { counter.fetch_add(1, std::memory_order_relaxed); }
int value(const std::atomic<int>& counter) { return counter.load(std::memory_order_relaxed); }
void endExchange() { open.fetch_sub(1, std::memory_order_relaxed); }

}  // namespace

STRESS_EXPORT void stressTransportReset() {
  for (std::atomic<int>* counter : {&writes, &reads, &malformed, &overlaps, &open}) {
    counter->store(0, std::memory_order_relaxed);
  }
}

STRESS_EXPORT void stressTransportStats(StressTransportStats* out) {
  out->writes = value(writes);
  out->reads = value(reads);
  out->malformed = value(malformed);
  out->overlaps = value(overlaps);
}

STRESS_EXPORT int32_t stressTransportLastFrame(uint8_t* frame) {
  for (int32_t i = 0; i < lastLength; ++i) frame[i] = lastFrame[i];
  const int32_t length = lastLength;
  lastLength = -1;
  return length;
}

STRESS_EXPORT int32_t hidWriteData(int32_t channel, int32_t length, uint8_t* frame) {
  if (open.fetch_add(1, std::memory_order_relaxed) != 0) bump(overlaps);
  bump(writes);
  const bool good = channel == kChannel && vexa::test::wellFormedFrame(frame, length);
  if (!good) bump(malformed);
  lastLength = length < 0 ? 0 : (length > kMaxFrame ? kMaxFrame : length);
  for (int32_t i = 0; i < lastLength; ++i) lastFrame[i] = frame[i];
  pending = answerFrame(frame, lastLength);
  if (good && !pending.refuseWrite) return length;
  endExchange();
  return length - 1;
}

STRESS_EXPORT int32_t hidReadData(int32_t channel, int32_t size, uint8_t* reply) {
  bump(reads);
  if (channel != kChannel || size != kReplySize) bump(malformed);
  const int32_t n = size < kReplySize ? size : kReplySize;
  for (int32_t i = 0; i < n; ++i) reply[i] = pending.reply[i];
  endExchange();
  return n;
}
