// What the ISO/IEC 15693 card commands share: the flags byte that selects
// the addressed form, the 8-byte UID that form carries, and the rule that
// hands the first reply data byte back to the caller.
#pragma once

#include <stdint.h>

#include <initializer_list>

#include "command.h"

namespace vexa::iso15693 {

inline constexpr int kUidSize = 8;
inline constexpr uint8_t kFlagsAddressed = VEXA_ISO15693_FLAGS_ADDRESSED;

// Only this exact flags value addresses a card by UID; the flags byte itself
// is always sent as the caller gave it.
constexpr bool isAddressed(uint8_t flags) { return flags == kFlagsAddressed; }

enum class UidRule {
  kWhenAddressed,  // the UID goes out only when the flags byte is 0x22
  kAlways,         // the UID goes out whatever the flags byte holds
};

struct CardCommand {
  uint8_t cmd;
  int len;  // LEN of the request without the UID
  UidRule uid = UidRule::kWhenAddressed;
};

// Whether this request carries the UID.
constexpr bool carriesUid(const CardCommand& command, uint8_t flags) {
  return command.uid == UidRule::kAlways || isAddressed(flags);
}

// LEN of the request as sent with these flags, before it is cut to a byte.
constexpr int requestLen(const CardCommand& command, uint8_t flags) {
  return command.len + (carriesUid(command, flags) ? kUidSize : 0);
}

// Sends LEN, CMD, the flags byte, `head` (the fields that stand between the
// flags and the UID), uid[0..7] when the request carries it, then
// tail[0..tailCount). `uid` is not read when the UID is not sent.
link::Reply sendCardCommand(const CardCommand& command, uint8_t flags,
                            std::initializer_list<uint8_t> head, const uint8_t* uid,
                            const uint8_t* tail = nullptr, int tailCount = 0);

// The reply of the state, lock, AFI and DSFID commands: D[0] goes to
// replyByte[0] whatever the status, unless the reply came from another
// address; the result is the status either way.
int storeFirstByte(const link::Reply& reply, uint8_t* replyByte);

// to[0 .. dataCount) = every data byte the reply's LEN announces (0 to 126).
void copyAllData(const link::Reply& reply, uint8_t* to);

}  // namespace vexa::iso15693
