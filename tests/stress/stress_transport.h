// Control interface of the stress transport.
#pragma once

#include <stdint.h>

struct StressTransportStats {
  int writes;
  int reads;
  int malformed;  // frames with wrong marks, XOR, LEN or size; reads not of 248 bytes
  int overlaps;   // a write that arrived while another exchange was under way
};

namespace vexa::stress {
inline constexpr int kMaxFrame = 256;
}

using StressTransportResetFn = void (*)();
using StressTransportStatsFn = void (*)(StressTransportStats*);
// Copies the calling thread's last frame (up to 256 bytes), returns its
// length (-1: none since the last look) and forgets it.
using StressTransportLastFrameFn = int32_t (*)(uint8_t*);
