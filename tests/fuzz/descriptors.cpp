#include "descriptors.h"

#include "vexa.h"

namespace vexa::fuzz {

namespace {

constexpr uint8_t kAddressedFlags = VEXA_ISO15693_FLAGS_ADDRESSED;
constexpr size_t kUidSize = 8;
constexpr size_t kClassicBlockSize = 16;
constexpr size_t kVicinityBlockSize = 4;
// The longest copy sized by a reply's LEN: LEN - 1 data bytes, LEN 0x7F.
constexpr size_t kMostReplyData = 126;
// TypeB_TransCOS copies LEN bytes rather than LEN - 1.
constexpr size_t kMostReplyBytes = 127;
constexpr size_t kCardRecords = 240;  // 24 records of 10 bytes

// Counts past any frame are cut here, so field arithmetic cannot overflow;
// a frame that carried them would fail its length check all the same.
constexpr int kCountCap = 1 << 16;
constexpr int atLeastZero(int n) { return n <= 0 ? 0 : (n > kCountCap ? kCountCap : n); }
constexpr size_t sizeOf(int n) { return static_cast<size_t>(atLeastZero(n)); }
constexpr int lowByte(int n) { return n & 0xFF; }

// The UID travels only in the addressed form; otherwise it is not read.
constexpr size_t uidFor(uint8_t flags) { return flags == kAddressedFlags ? kUidSize : 0; }
constexpr int uidFieldsFor(uint8_t flags) { return static_cast<int>(uidFor(flags)); }

template <size_t... N>
Sizes fixedSizes(const CallArgs&) {
  return {N...};
}

template <int N>
int fixedFields(const CallArgs&) {
  return N;
}

// LEN two above the caller's count, cut to a byte, for the commands whose
// LEN does not follow the bytes they carry.
template <int Above>
int countLen(const CallArgs& a) {
  return lowByte(static_cast<int>(static_cast<unsigned>(a.count) + Above));
}

uint8_t* buf(const CallArgs& a, int i) { return a.buffers[i]; }

// Shorthands for the rows below.
const uint8_t* cbuf(const CallArgs& a, int i) { return a.buffers[i]; }
uint8_t b0(const CallArgs& a) { return a.bytes[0]; }
uint8_t b1(const CallArgs& a) { return a.bytes[1]; }
uint8_t b2(const CallArgs& a) { return a.bytes[2]; }

Sizes uidAndReplyByte(const CallArgs& a) { return {uidFor(b0(a)), 1}; }
int flagsAndUid(const CallArgs& a) { return 1 + uidFieldsFor(b0(a)); }
int flagsValueAndUid(const CallArgs& a) { return 2 + uidFieldsFor(b0(a)); }
int flagsBlocksAndUid(const CallArgs& a) { return 3 + uidFieldsFor(b0(a)); }

constexpr Foreign k5 = Foreign::kNoReply;
constexpr Foreign k2 = Foreign::kNoReplyIso15693;
constexpr Foreign kSt = Foreign::kStatus;

const Descriptor kTable[] = {
    {"GetRecData", 4, kNoCommand, 0, true, 0, fixedSizes<0, 0, 0>, fixedFields<0>, nullptr, k5,
     [](const CallArgs& a) { return GetRecData(a.count); }},
    {"MF_Request", 8, 0x03, 1, false, 1, fixedSizes<2, 0, 0>, fixedFields<1>, nullptr, k5,
     [](const CallArgs& a) { return MF_Request(b0(a), buf(a, 0)); }},
    {"MF_Anticoll", 8, 0x04, 0, false, 2, fixedSizes<4, 1, 0>, fixedFields<0>, nullptr, k5,
     [](const CallArgs& a) { return MF_Anticoll(buf(a, 0), buf(a, 1)); }},
    {"MF_Select", 4, 0x05, 0, false, 1, fixedSizes<4, 0, 0>, fixedFields<4>, nullptr, k5,
     [](const CallArgs& a) { return MF_Select(buf(a, 0)); }},
    {"MF_Halt", 0, 0x06, 0, false, 0, fixedSizes<0, 0, 0>, fixedFields<0>, nullptr, k5,
     [](const CallArgs&) { return MF_Halt(); }},
    {"SetDeviceAddress", 8, 0x80, 1, false, 1, fixedSizes<1, 0, 0>, fixedFields<1>, nullptr, k5,
     [](const CallArgs& a) { return SetDeviceAddress(b0(a), buf(a, 0)); }},
    {"SetBandrate", 8, 0x81, 1, false, 1, fixedSizes<1, 0, 0>, fixedFields<1>, nullptr, k5,
     [](const CallArgs& a) { return SetBandrate(b0(a), buf(a, 0)); }},
    {"SetSerNum", 8, 0x82, 0, false, 2, fixedSizes<8, 1, 0>, fixedFields<8>, nullptr, k5,
     [](const CallArgs& a) { return SetSerNum(cbuf(a, 0), buf(a, 1)); }},
    {"TYPEB_SFZSNR", 16, 0x26, 2, false, 2, fixedSizes<1, 8, 0>, fixedFields<2>, nullptr, k5,
     [](const CallArgs& a) { return TYPEB_SFZSNR(b0(a), b1(a), buf(a, 0), buf(a, 1)); }},
    {"GetSerNum", 4, 0x83, 0, false, 1, fixedSizes<9, 0, 0>, fixedFields<0>, nullptr, k5,
     [](const CallArgs& a) { return GetSerNum(buf(a, 0)); }},
    {"ControlLED", 12, 0x88, 2, false, 1, fixedSizes<1, 0, 0>, fixedFields<2>, nullptr, k5,
     [](const CallArgs& a) { return ControlLED(b0(a), b1(a), buf(a, 0)); }},
    {"ControlBuzzer", 12, 0x89, 2, false, 1, fixedSizes<1, 0, 0>, fixedFields<2>, nullptr, k5,
     [](const CallArgs& a) { return ControlBuzzer(b0(a), b1(a), buf(a, 0)); }},
    {"GetVersionNum", 4, 0x86, 0, false, 1, fixedSizes<kMostReplyData, 0, 0>, fixedFields<0>,
     nullptr, k5, [](const CallArgs& a) { return GetVersionNum(buf(a, 0)); }},
    {"TypeB_Request", 4, 0x09, 0, false, 1, fixedSizes<kMostReplyData, 0, 0>, fixedFields<0>,
     nullptr, k5, [](const CallArgs& a) { return TypeB_Request(buf(a, 0)); }},
    {"Type_B", 4, 0x0A, 0, false, 1, fixedSizes<kMostReplyData, 0, 0>, fixedFields<0>, nullptr, k5,
     [](const CallArgs& a) { return Type_B(buf(a, 0)); }},
    // data carries the count bytes out and up to 126 reply bytes back.
    {"MF_Restore", 12, 0x28, 1, true, 1,
     [](const CallArgs& a) -> Sizes {
       return {sizeOf(a.count) > kMostReplyData ? sizeOf(a.count) : kMostReplyData, 0, 0};
     },
     [](const CallArgs& a) { return 2 + atLeastZero(a.count); }, countLen<3>, k5,
     [](const CallArgs& a) { return MF_Restore(b0(a), a.count, buf(a, 0)); }},
    {"MF_Getsnr", 16, 0x25, 2, false, 2, fixedSizes<1, 4, 0>, fixedFields<2>, nullptr, k5,
     [](const CallArgs& a) { return MF_Getsnr(b0(a), b1(a), buf(a, 0), buf(a, 1)); }},
    {"ISO15693_WriteUserInfo", 12, 0x84, 1, true, 1,
     [](const CallArgs& a) -> Sizes {
       return {sizeOf(a.count), 0, 0};
     },
     [](const CallArgs& a) { return 2 + atLeastZero(a.count); }, countLen<3>, k5,
     [](const CallArgs& a) { return ISO15693_WriteUserInfo(b0(a), a.count, cbuf(a, 0)); }},
    {"MF_Read", 20, 0x20, 3, false, 2,
     [](const CallArgs& a) -> Sizes {
       return {6, kClassicBlockSize * b2(a), 0};
     },
     fixedFields<9>, nullptr, kSt,
     [](const CallArgs& a) { return MF_Read(b0(a), b1(a), b2(a), buf(a, 0), buf(a, 1)); }},
    {"MF_Write", 20, 0x21, 3, false, 2,
     [](const CallArgs& a) -> Sizes {
       return {6, kClassicBlockSize * b2(a), 0};
     },
     [](const CallArgs& a) { return 9 + static_cast<int>(kClassicBlockSize) * b2(a); }, nullptr, k5,
     [](const CallArgs& a) { return MF_Write(b0(a), b1(a), b2(a), buf(a, 0), buf(a, 1)); }},
    {"MF_InitValue", 16, 0x22, 2, false, 2, fixedSizes<6, 4, 0>, fixedFields<12>, nullptr, k5,
     [](const CallArgs& a) { return MF_InitValue(b0(a), b1(a), buf(a, 0), cbuf(a, 1)); }},
    {"MF_Dec", 16, 0x23, 2, false, 2, fixedSizes<6, 4, 0>, fixedFields<12>, nullptr, k5,
     [](const CallArgs& a) { return MF_Dec(b0(a), b1(a), buf(a, 0), buf(a, 1)); }},
    {"MF_Inc", 16, 0x24, 2, false, 2, fixedSizes<6, 4, 0>, fixedFields<12>, nullptr, k5,
     [](const CallArgs& a) { return MF_Inc(b0(a), b1(a), buf(a, 0), buf(a, 1)); }},
    {"ISO15693_Read", 20, 0x11, 3, false, 2,
     [](const CallArgs& a) -> Sizes {
       return {uidFor(b0(a)), kMostReplyData, 0};
     },
     flagsBlocksAndUid, nullptr, kSt,
     [](const CallArgs& a) { return ISO15693_Read(b0(a), b1(a), b2(a), cbuf(a, 0), buf(a, 1)); }},
    // Four data bytes per block, all of them sent.
    {"ISO15693_Write", 20, 0x12, 3, false, 2,
     [](const CallArgs& a) -> Sizes {
       return {uidFor(b0(a)), kVicinityBlockSize * b2(a), 0};
     },
     [](const CallArgs& a) {
       return flagsBlocksAndUid(a) + static_cast<int>(kVicinityBlockSize) * b2(a);
     },
     nullptr, kSt,
     [](const CallArgs& a) { return ISO15693_Write(b0(a), b1(a), b2(a), cbuf(a, 0), buf(a, 1)); }},
    {"ISO15693_Lock", 16, 0x13, 2, false, 2, uidAndReplyByte, flagsValueAndUid, nullptr, kSt,
     [](const CallArgs& a) { return ISO15693_Lock(b0(a), b1(a), cbuf(a, 0), buf(a, 1)); }},
    {"TypeB_TransCOS", 12, 0x0D, 0, true, 2,
     [](const CallArgs& a) -> Sizes {
       return {sizeOf(a.count), kMostReplyBytes, 0};
     },
     [](const CallArgs& a) { return 1 + atLeastZero(a.count); }, countLen<2>, k5,
     [](const CallArgs& a) { return TypeB_TransCOS(cbuf(a, 0), a.count, buf(a, 1)); }},
    // response receives commandLength bytes from the reply's LEN byte on.
    {"MF_TypeATransCOSCmd", 12, 0x0D, 0, true, 2,
     [](const CallArgs& a) -> Sizes {
       return {sizeOf(a.count), sizeOf(a.count), 0};
     },
     [](const CallArgs& a) { return atLeastZero(a.count); }, countLen<2>, k5,
     [](const CallArgs& a) { return MF_TypeATransCOSCmd(cbuf(a, 0), a.count, buf(a, 1)); }},
    {"ISO15693_TransCOSCmd", 12, 0x1D, 0, true, 2,
     [](const CallArgs& a) -> Sizes {
       return {sizeOf(a.count), kMostReplyData, 0};
     },
     [](const CallArgs& a) { return atLeastZero(a.count); }, countLen<2>, k5,
     [](const CallArgs& a) { return ISO15693_TransCOSCmd(cbuf(a, 0), a.count, buf(a, 1)); }},
    {"ISO15693_GetSysInfo", 12, 0x1B, 1, false, 2,
     [](const CallArgs& a) -> Sizes {
       return {uidFor(b0(a)), 15, 0};
     },
     flagsAndUid, nullptr, k2,
     [](const CallArgs& a) { return ISO15693_GetSysInfo(b0(a), cbuf(a, 0), buf(a, 1)); }},
    {"ISO15693_GetMulSecurity", 20, 0x1C, 3, false, 2,
     [](const CallArgs& a) -> Sizes {
       return {uidFor(b0(a)), kMostReplyData, 0};
     },
     flagsBlocksAndUid, nullptr, k5,
     [](const CallArgs& a) {
       return ISO15693_GetMulSecurity(b0(a), b1(a), b2(a), cbuf(a, 0), buf(a, 1));
     }},
    {"ISO15693_Inventory", 8, 0x10, 0, false, 2, fixedSizes<1, kCardRecords, 0>, fixedFields<3>,
     nullptr, k2, [](const CallArgs& a) { return ISO15693_Inventory(buf(a, 0), buf(a, 1)); }},
    // These two send the UID whatever the flags.
    {"ISO15693_StayQuiet", 12, 0x14, 1, false, 2, fixedSizes<kUidSize, 1, 0>, fixedFields<9>,
     nullptr, kSt,
     [](const CallArgs& a) { return ISO15693_StayQuiet(b0(a), cbuf(a, 0), buf(a, 1)); }},
    {"ISO15693_Select", 12, 0x15, 1, false, 2, fixedSizes<kUidSize, 1, 0>, fixedFields<9>, nullptr,
     kSt, [](const CallArgs& a) { return ISO15693_Select(b0(a), cbuf(a, 0), buf(a, 1)); }},
    {"ISO15693_ResetToReady", 12, 0x16, 1, false, 2, uidAndReplyByte, flagsAndUid, nullptr, kSt,
     [](const CallArgs& a) { return ISO15693_ResetToReady(b0(a), cbuf(a, 0), buf(a, 1)); }},
    {"ISO15693_LockAFI", 12, 0x18, 1, false, 2, uidAndReplyByte, flagsAndUid, nullptr, kSt,
     [](const CallArgs& a) { return ISO15693_LockAFI(b0(a), cbuf(a, 0), buf(a, 1)); }},
    {"ISO15693_LockDSFID", 12, 0x1A, 1, false, 2, uidAndReplyByte, flagsAndUid, nullptr, kSt,
     [](const CallArgs& a) { return ISO15693_LockDSFID(b0(a), cbuf(a, 0), buf(a, 1)); }},
    {"ISO15693_WriteAFI", 16, 0x17, 2, false, 2, uidAndReplyByte, flagsValueAndUid, nullptr, kSt,
     [](const CallArgs& a) { return ISO15693_WriteAFI(b0(a), b1(a), cbuf(a, 0), buf(a, 1)); }},
    {"ISO15693_WriteDSFID", 16, 0x19, 2, false, 2, uidAndReplyByte, flagsValueAndUid, nullptr, kSt,
     [](const CallArgs& a) { return ISO15693_WriteDSFID(b0(a), b1(a), cbuf(a, 0), buf(a, 1)); }},
    {"UL_HLRead", 16, 0xE0, 2, false, 2, fixedSizes<7, 16, 0>, fixedFields<2>, nullptr, k5,
     [](const CallArgs& a) { return UL_HLRead(b0(a), b1(a), buf(a, 0), buf(a, 1)); }},
    {"UL_HLWrite", 16, 0xE1, 2, false, 2, fixedSizes<7, 4, 0>, fixedFields<7>, nullptr, k5,
     [](const CallArgs& a) { return UL_HLWrite(b0(a), b1(a), buf(a, 0), buf(a, 1)); }},
    {"UL_Request", 8, 0xE3, 1, false, 1, fixedSizes<7, 0, 0>, fixedFields<1>, nullptr, k5,
     [](const CallArgs& a) { return UL_Request(b0(a), buf(a, 0)); }},
};

}  // namespace

std::span<const Descriptor> descriptorTable() { return kTable; }

}  // namespace vexa::fuzz
