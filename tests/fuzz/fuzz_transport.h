// The transport the fuzzer links in place of the one that loads
// libtevra.so: it answers each exchange as the fuzzer planned it, and checks
// every frame it is handed.
#pragma once

#include <stdint.h>

#include "frame.h"

namespace vexa::fuzz {

enum class Behaviour {
  kAccept,       // the write goes out whole, the read delivers the planned reply
  kShortByOne,   // the write reports one byte fewer than the frame
  kOverByOne,    // ... one byte more
  kRefuse,       // ... 0
  kMinusOne,     // ... -1
  kUnavailable,  // the transport library, or one of its functions, is missing
  kReadNothing,  // the write goes out whole; the read delivers no byte
};

// What the next call must send, and what the transport does with it.
struct Exchange {
  Behaviour behaviour = Behaviour::kAccept;
  uint8_t reply[link::kReplyReadSize] = {};
  int replyLength = 0;  // 0 to kReplyReadSize
  int cmd = 0;
  int fields = 0;  // request field bytes after CMD
  int len = 0;     // the LEN byte
};

struct ExchangeRecord {
  int opens = 0;
  int failedOpens = 0;
  int closes = 0;
  int writes = 0;
  int reads = 0;
  bool writeAccepted = false;  // the write reported the frame's length
};

// Plans the next exchange and clears the record.
void armExchange(const Exchange& exchange);
const ExchangeRecord& exchangeRecord();

// Reports a fault the sanitizers cannot see and stops the process, so that
// libFuzzer keeps the input.
[[noreturn]] void fault(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vexa::fuzz
