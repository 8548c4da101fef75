// Vicinity-card inventory: the card count and up to 24 ten-byte records.
#include "case.h"

namespace vexa::test {
namespace {

const Bytes kInventoryFrame{0xAA, 0x00, 0x04, 0x10, 0x06, 0x00, 0x00, 0x12, 0xBB};
constexpr size_t kAllRecords = 240;

}  // namespace

VEXA_CASES(iso15693_inventory) {
  struct Answer {
    uint8_t status;
    uint8_t count;
    size_t copied;  // record bytes that reach cardRecords
    int result;
  };
  for (const Answer& a : std::initializer_list<Answer>{{0x00, 0, 0, 0},
                                                       {0x00, 1, 10, 0},
                                                       {0x00, 3, 30, 0},
                                                       {0x00, 24, 240, 0},
                                                       {0x00, 25, 0, 5},
                                                       {0x00, 127, 0, 5},
                                                       {0x00, 0x80, 0, 0},
                                                       {0x00, 0xFF, 0, 0},
                                                       {0x01, 3, 0, 1},
                                                       {0x01, 30, 0, 1},
                                                       {0xFE, 3, 0, -2}}) {
    // The reply carries as many record bytes as a 248-byte read can hold.
    list.push_back(
        makeCase("ISO15693_Inventory status " + std::to_string(a.status) + " count " +
                     std::to_string(a.count),
                 CallBuilder("ISO15693_Inventory", {out(1), out(kAllRecords)})
                     .replies(reply(a.status, concat({{a.count}, sequence(kAllRecords, 0x10)})))
                     .sends(kInventoryFrame)
                     .returns(a.result)
                     .writes(0, {a.count})
                     .writes(1, sequence(a.copied, 0x10))));
  }
}

}  // namespace vexa::test
