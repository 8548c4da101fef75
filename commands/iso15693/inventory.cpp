// Finding vicinity cards, and moving one between the quiet, selected and
// ready states.
#include "iso15693.h"

using namespace vexa::link;
using namespace vexa::iso15693;

namespace {

constexpr uint8_t kCmdInventory = 0x10;
constexpr uint8_t kCmdStayQuiet = 0x14;
constexpr uint8_t kCmdSelect = 0x15;
constexpr uint8_t kCmdResetToReady = 0x16;

constexpr uint8_t kLenInventory = 0x04;
constexpr int kLenStateCommand = 0x02;  // CMD and flags; the UID adds 8

// Inventory flag and data-rate flag set, AFI flag clear, 16 slots.
constexpr uint8_t kInventoryFlags = 0x06;
constexpr uint8_t kInventoryMaskLength = 0x00;
constexpr uint8_t kInventoryReserved = 0x00;

constexpr int kCardRecordSize = 10;
// D[1] onward of a 248-byte reply holds at most this many whole records.
constexpr int kMostCardRecords = 24;

constexpr CardCommand kStayQuiet{kCmdStayQuiet, kLenStateCommand, UidRule::kAlways};
constexpr CardCommand kSelect{kCmdSelect, kLenStateCommand, UidRule::kAlways};
constexpr CardCommand kResetToReady{kCmdResetToReady, kLenStateCommand};

}  // namespace

extern "C" int VEXA_CALL ISO15693_Inventory(unsigned char* cardCount, unsigned char* cardRecords) {
  const Reply reply = Request(kLenInventory, kCmdInventory)
                          .field(kInventoryFlags)
                          .field(kInventoryMaskLength)
                          .field(kInventoryReserved)
                          .send();
  if (reply.fromOtherAddress()) return kResultNoReplyIso15693;
  cardCount[0] = reply.data(0);
  if (!reply.statusIs(kStatusOk)) return reply.status();
  const int cards = signExtend(reply.data(0));
  // A count the reply cannot hold does not answer the inventory.
  if (cards > kMostCardRecords) return kResultNoReply;
  reply.copyData(cardRecords, 1, cards * kCardRecordSize);
  return reply.status();
}

extern "C" int VEXA_CALL ISO15693_StayQuiet(unsigned char flags, const unsigned char* uid,
                                            unsigned char* replyByte) {
  return storeFirstByte(sendCardCommand(kStayQuiet, flags, {}, uid), replyByte);
}

extern "C" int VEXA_CALL ISO15693_Select(unsigned char flags, const unsigned char* uid,
                                         unsigned char* replyByte) {
  return storeFirstByte(sendCardCommand(kSelect, flags, {}, uid), replyByte);
}

extern "C" int VEXA_CALL ISO15693_ResetToReady(unsigned char flags, const unsigned char* uid,
                                               unsigned char* replyByte) {
  return storeFirstByte(sendCardCommand(kResetToReady, flags, {}, uid), replyByte);
}
