// Addresses and values in messages: 0x0000abcd.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>

namespace vexa::emulator {

inline std::string hex(uint64_t value) {
  char text[24];
  snprintf(text, sizeof text, "0x%08llx", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace vexa::emulator
