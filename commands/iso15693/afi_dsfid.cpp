// Writing and locking the card's AFI and DSFID bytes: two pairs that differ
// only in their command codes.
#include "iso15693.h"

using namespace vexa::link;
using namespace vexa::iso15693;

namespace {

constexpr uint8_t kCmdWriteAfi = 0x17;
constexpr uint8_t kCmdLockAfi = 0x18;
constexpr uint8_t kCmdWriteDsfid = 0x19;
constexpr uint8_t kCmdLockDsfid = 0x1A;

// LEN without the UID: CMD, flags, and the value byte when writing.
constexpr int kLenWriteIdentifier = 0x03;
constexpr int kLenLockIdentifier = 0x02;

struct IdentifierCommands {
  CardCommand write;
  CardCommand lock;
};

constexpr IdentifierCommands kAfi{{kCmdWriteAfi, kLenWriteIdentifier},
                                  {kCmdLockAfi, kLenLockIdentifier}};
constexpr IdentifierCommands kDsfid{{kCmdWriteDsfid, kLenWriteIdentifier},
                                    {kCmdLockDsfid, kLenLockIdentifier}};

int writeIdentifier(const IdentifierCommands& identifier, uint8_t flags, uint8_t value,
                    const uint8_t* uid, uint8_t* replyByte) {
  return storeFirstByte(sendCardCommand(identifier.write, flags, {value}, uid), replyByte);
}

int lockIdentifier(const IdentifierCommands& identifier, uint8_t flags, const uint8_t* uid,
                   uint8_t* replyByte) {
  return storeFirstByte(sendCardCommand(identifier.lock, flags, {}, uid), replyByte);
}

}  // namespace

extern "C" int VEXA_CALL ISO15693_WriteAFI(unsigned char flags, unsigned char afi,
                                           const unsigned char* uid, unsigned char* replyByte) {
  return writeIdentifier(kAfi, flags, afi, uid, replyByte);
}

extern "C" int VEXA_CALL ISO15693_LockAFI(unsigned char flags, const unsigned char* uid,
                                          unsigned char* replyByte) {
  return lockIdentifier(kAfi, flags, uid, replyByte);
}

extern "C" int VEXA_CALL ISO15693_WriteDSFID(unsigned char flags, unsigned char dsfid,
                                             const unsigned char* uid, unsigned char* replyByte) {
  return writeIdentifier(kDsfid, flags, dsfid, uid, replyByte);
}

extern "C" int VEXA_CALL ISO15693_LockDSFID(unsigned char flags, const unsigned char* uid,
                                            unsigned char* replyByte) {
  return lockIdentifier(kDsfid, flags, uid, replyByte);
}
