#include "ultralight.h"

#include "../codes.h"

namespace vr {
namespace {

constexpr std::array<std::uint8_t, 2> kAtqa = {0x44, 0x00};
constexpr std::uint8_t kSak = 0x00;
constexpr std::uint8_t kInternalByte = 0x48;

// Positions within the memory.
constexpr int kBcc0At = 3;
constexpr int kUidSecondPartAt = 4;
constexpr int kBcc1At = 8;
constexpr int kInternalAt = 9;
constexpr int kLock0At = 10;
constexpr int kLock1At = 11;
constexpr int kUidFirstPart = 3;

// Lock byte 0: bit 0 freezes the OTP lock bit, bit 1 the lock bits of
// pages 4 to 9, bit 2 those of pages 10 to 15; bit 3 locks the OTP page,
// bits 4 to 7 pages 4 to 7. Lock byte 1: bits 0 to 7 lock pages 8 to 15.
constexpr std::uint8_t kFreezeOtpLock = 0x01;
constexpr std::uint8_t kFreezeLow = 0x02;
constexpr std::uint8_t kFreezeHigh = 0x04;
constexpr std::uint8_t kOtpLock = 0x08;
constexpr std::uint8_t kLock0PageBits = 0xF0;
constexpr std::uint8_t kLock1LowPages = 0x03;   // pages 8 and 9
constexpr std::uint8_t kLock1HighPages = 0xFC;  // pages 10 to 15
constexpr int kLock0FirstPage = 4;
constexpr int kLock0PageBitShift = 4;
constexpr int kLock1FirstPage = 8;

}  // namespace

Ultralight::Ultralight(Bytes uid) : TypeACard(std::move(uid), kAtqa, kSak) {
  memory_[kInternalAt] = kInternalByte;
  writeUidBytes();
}

void Ultralight::writeUidBytes() {
  const Bytes& u = uid();
  for (int i = 0; i < kUidFirstPart; ++i) memory_[i] = u[i];
  memory_[kBcc0At] = kCascadeTag ^ u[0] ^ u[1] ^ u[2];
  for (int i = 0; i < kPageSize; ++i) memory_[kUidSecondPartAt + i] = u[kUidFirstPart + i];
  memory_[kBcc1At] = u[3] ^ u[4] ^ u[5] ^ u[6];
}

void Ultralight::setMemory(const Memory& memory) {
  memory_ = memory;
  writeUidBytes();
}

Ultralight::ReadResult Ultralight::read(int page) const {
  ReadResult out{};
  for (int p = 0; p < kReadPages; ++p) {
    const int from = ((page + p) % kPages) * kPageSize;
    for (int i = 0; i < kPageSize; ++i) out[p * kPageSize + i] = memory_[from + i];
  }
  return out;
}

bool Ultralight::pageLocked(int page) const {
  if (page == kOtpPage) return memory_[kLock0At] & kOtpLock;
  if (page < kLock1FirstPage) {
    return memory_[kLock0At] & (1u << (page - kLock0FirstPage + kLock0PageBitShift));
  }
  return memory_[kLock1At] & (1u << (page - kLock1FirstPage));
}

Outcome Ultralight::write(int page, ByteView data) {
  if (page < 0 || page >= kPages || data.size() != kPageSize) return detail::kBadBlock;
  if (page < kLockPage) {
    dropOut();
    return detail::kReadOnly;
  }
  if (page == kLockPage) {
    const std::uint8_t lock0 = memory_[kLock0At];
    std::uint8_t frozen0 = 0;
    std::uint8_t frozen1 = 0;
    if (lock0 & kFreezeOtpLock) frozen0 |= kOtpLock;
    if (lock0 & kFreezeLow) {
      frozen0 |= kLock0PageBits;
      frozen1 |= kLock1LowPages;
    }
    if (lock0 & kFreezeHigh) frozen1 |= kLock1HighPages;
    memory_[kLock0At] |= data[2] & static_cast<std::uint8_t>(~frozen0);
    memory_[kLock1At] |= data[3] & static_cast<std::uint8_t>(~frozen1);
    return kDone;
  }
  if (pageLocked(page)) {
    dropOut();
    return detail::kReadOnly;
  }
  const int at = page * kPageSize;
  for (int i = 0; i < kPageSize; ++i) {
    if (page == kOtpPage) {
      memory_[at + i] |= data[i];
    } else {
      memory_[at + i] = data[i];
    }
  }
  return kDone;
}

}  // namespace vr
