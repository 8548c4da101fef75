// ISO/IEC 7816-4 status words, for showing APDU responses.
#ifndef VEXA_CLI_APDU_H
#define VEXA_CLI_APDU_H

#include <cstdint>
#include <string>

#include "hex.h"
#include "session.h"

namespace vexa::cli {

inline constexpr std::size_t kStatusWordSize = 2;
inline constexpr std::size_t kApduHeaderSize = 4;

std::string statusWordMeaning(std::uint16_t sw);
// {"response": hex of all, "data": hex without the status word, "sw": "9000",
//  "sw_meaning": ...}; the status word only when the response holds one.
json apduResponseJson(ByteView response);
// Throws UsageError unless `apdu` is `least` to `most` bytes.
void checkApduLength(const Bytes& apdu, std::size_t most);

}  // namespace vexa::cli

#endif  // VEXA_CLI_APDU_H
