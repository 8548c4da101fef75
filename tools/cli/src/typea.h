// Type A activation shared by the commands: request, anticollision and
// select, one card at a time.
#ifndef VEXA_CLI_TYPEA_H
#define VEXA_CLI_TYPEA_H

#include <optional>
#include <vector>

#include "hex.h"
#include "session.h"

namespace vexa::cli {

struct TypeACard {
  Bytes atqa;              // the answer to the request that found it
  Bytes serial;            // cascade level 1, as anticollision gave it
  Bytes uid;               // 4 or 7 bytes
  std::uint8_t answering;  // how many cards answered the anticollision
};

// Request (wake-up or idle), anticollision, select. Empty when no card
// answers; throws CallFailed for anything else.
std::optional<TypeACard> activateTypeA(Session& s, bool idleOnly);
// Wake-up request and select of the card with this cascade level 1 serial.
void selectTypeA(Session& s, const Bytes& serial);
// Every Type A card, each halted after it is found (at most `most`).
std::vector<TypeACard> enumerateTypeA(Session& s, int most);

json typeACardJson(const TypeACard& card);

}  // namespace vexa::cli

#endif  // VEXA_CLI_TYPEA_H
