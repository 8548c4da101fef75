// One row per exported function: how the fuzzer calls it, how large each of
// its caller buffers is for the arguments drawn, and what its frame and its
// answer to a reply from another address must be.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <span>

namespace vexa::fuzz {

inline constexpr int kMaxByteArgs = 3;
inline constexpr int kMaxBuffers = 3;
inline constexpr int kSlotBytes = 4;
// GetRecData sends nothing.
inline constexpr int kNoCommand = -1;

// The arguments of one call, in parameter order within each kind.
struct CallArgs {
  uint8_t bytes[kMaxByteArgs] = {};
  int count = 0;
  uint8_t* buffers[kMaxBuffers] = {};
};

using Sizes = std::array<size_t, kMaxBuffers>;

// What a function returns for a reply from another address (which is also
// what a failed or impossible exchange looks like).
enum class Foreign {
  kNoReply,          // 5
  kNoReplyIso15693,  // 2
  kStatus,           // the reply's status byte, sign-extended
};

struct Descriptor {
  const char* name;
  int argumentBytes;
  int cmd;  // the command code its frame carries, or kNoCommand
  int byteArgs;
  bool takesInt;
  int buffers;
  // The size the documentation gives each caller buffer for these arguments.
  Sizes (*sizes)(const CallArgs&);
  // Request field bytes after CMD.
  int (*fields)(const CallArgs&);
  // The LEN byte sent; nullptr: one more than the fields (CMD counted).
  int (*len)(const CallArgs&);
  Foreign foreign;
  int (*invoke)(const CallArgs&);
};

// In ordinal order, ordinal 1 first.
std::span<const Descriptor> descriptorTable();

}  // namespace vexa::fuzz
