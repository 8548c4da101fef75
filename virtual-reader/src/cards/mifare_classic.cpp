#include "mifare_classic.h"

#include <algorithm>
#include <limits>

#include "../codes.h"

namespace vr {
namespace {

constexpr std::uint8_t kNever = 0x00;
constexpr std::uint8_t kKeyA = 0x01;
constexpr std::uint8_t kKeyB = 0x02;
constexpr std::uint8_t kKeyAB = kKeyA | kKeyB;

constexpr std::array<std::uint8_t, 2> kAtqa = {0x04, 0x00};
constexpr std::uint8_t kSak = 0x08;
constexpr std::array<std::uint8_t, 8> kManufacturerData = {0x62, 0x63, 0x64, 0x65,
                                                           0x66, 0x67, 0x68, 0x69};
constexpr std::uint8_t kTransportKeyByte = 0xFF;
constexpr std::array<std::uint8_t, 4> kTransportAccess = {0xFF, 0x07, 0x80, 0x69};

// Sector trailer layout.
constexpr int kKeyAAt = 0;
constexpr int kAccessAt = 6;
constexpr int kAccessBytes = 4;  // three access bytes and the general purpose byte
constexpr int kKeyBAt = 10;
// Block 0: UID, its check byte, SAK, ATQA, manufacturer data.
constexpr int kBccAt = 4;
constexpr int kSakAt = 5;
constexpr int kAtqaAt = 6;
constexpr int kManufacturerAt = 8;

constexpr int kNibbleBits = 4;
constexpr int kByteBits = 8;
constexpr std::uint8_t kNibble = 0x0F;

// Value block layout: value, its complement, value; address byte, its
// complement, address, complement.
constexpr int kValueSize = 4;
constexpr int kValueCopyAt = 8;
constexpr int kValueInverseAt = 4;
constexpr int kAddressAt = 12;

// Keys allowed per access condition (C1 C2 C3 read as a 3-bit number),
// data blocks: read, write, increment, decrement/transfer/restore.
constexpr std::uint8_t kDataAccess[8][4] = {
    {kKeyAB, kKeyAB, kKeyAB, kKeyAB},  // 000 transport
    {kKeyAB, kNever, kNever, kKeyAB},  // 001 value block, debit only
    {kKeyAB, kNever, kNever, kNever},  // 010 read only
    {kKeyB, kKeyB, kNever, kNever},    // 011
    {kKeyAB, kKeyB, kNever, kNever},   // 100
    {kKeyB, kNever, kNever, kNever},   // 101
    {kKeyAB, kKeyB, kKeyB, kKeyAB},    // 110 value block
    {kNever, kNever, kNever, kNever},  // 111 blocked
};

struct TrailerAccess {
  std::uint8_t keyAWrite, accessRead, accessWrite, keyBRead, keyBWrite;
};
constexpr TrailerAccess kTrailerAccess[8] = {
    {kKeyA, kKeyA, kNever, kKeyA, kKeyA},      // 000
    {kKeyA, kKeyA, kKeyA, kKeyA, kKeyA},       // 001 transport
    {kNever, kKeyA, kNever, kKeyA, kNever},    // 010
    {kKeyB, kKeyAB, kKeyB, kNever, kKeyB},     // 011
    {kKeyB, kKeyAB, kNever, kNever, kKeyB},    // 100
    {kNever, kKeyAB, kKeyB, kNever, kNever},   // 101
    {kNever, kKeyAB, kNever, kNever, kNever},  // 110
    {kNever, kKeyAB, kNever, kNever, kNever},  // 111
};
// Conditions under which key B can be read, and so serves no access.
constexpr bool kKeyBReadable[8] = {true, true, true, false, false, false, false, false};

int trailerOf(int sector) {
  return sector * MifareClassic::kBlocksPerSector + MifareClassic::kBlocksPerSector - 1;
}

std::optional<int> decodeCondition(const MifareClassic::Block& trailer, int indexInSector) {
  const std::uint8_t b6 = trailer[kAccessAt];
  const std::uint8_t b7 = trailer[kAccessAt + 1];
  const std::uint8_t b8 = trailer[kAccessAt + 2];
  const std::uint8_t c1 = b7 >> kNibbleBits;
  const std::uint8_t c2 = b8 & kNibble;
  const std::uint8_t c3 = b8 >> kNibbleBits;
  const bool consistent = ((~b6) & kNibble) == c1 && (((~b6) >> kNibbleBits) & kNibble) == c2 &&
                          ((~b7) & kNibble) == c3;
  if (!consistent) return std::nullopt;
  const int bit = indexInSector;
  return (((c1 >> bit) & 1) << 2) | (((c2 >> bit) & 1) << 1) | ((c3 >> bit) & 1);
}

std::int32_t readInt32(const std::uint8_t* p) {
  std::uint32_t v = 0;
  for (int i = kValueSize - 1; i >= 0; --i) v = (v << kByteBits) | p[i];
  return static_cast<std::int32_t>(v);
}

void writeInt32(std::uint8_t* p, std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < kValueSize; ++i) {
    p[i] = static_cast<std::uint8_t>(v);
    v >>= kByteBits;
  }
}

bool isValueFormat(const MifareClassic::Block& b) {
  for (int i = 0; i < kValueSize; ++i) {
    if (b[i] != b[kValueCopyAt + i] || b[i] != static_cast<std::uint8_t>(~b[kValueInverseAt + i]))
      return false;
  }
  const std::uint8_t a = b[kAddressAt];
  return b[kAddressAt + 2] == a && b[kAddressAt + 1] == static_cast<std::uint8_t>(~a) &&
         b[kAddressAt + 3] == static_cast<std::uint8_t>(~a);
}

}  // namespace

MifareClassic::MifareClassic(Bytes uid) : TypeACard(std::move(uid), kAtqa, kSak) {
  Block& manufacturer = blocks_[0];
  std::copy(this->uid().begin(), this->uid().end(), manufacturer.begin());
  manufacturer[kBccAt] = xorOfUid();
  manufacturer[kSakAt] = kSak;
  std::copy(kAtqa.begin(), kAtqa.end(), manufacturer.begin() + kAtqaAt);
  std::copy(kManufacturerData.begin(), kManufacturerData.end(),
            manufacturer.begin() + kManufacturerAt);
  for (int sector = 0; sector < kBlocks / kBlocksPerSector; ++sector) {
    blocks_[trailerOf(sector)] = factoryTrailer();
  }
}

std::uint8_t MifareClassic::xorOfUid() const {
  std::uint8_t x = 0;
  for (std::uint8_t b : uid()) x ^= b;
  return x;
}

MifareClassic::Block MifareClassic::factoryTrailer() {
  Block t{};
  std::fill(t.begin() + kKeyAAt, t.begin() + kKeyAAt + kKeySize, kTransportKeyByte);
  std::copy(kTransportAccess.begin(), kTransportAccess.end(), t.begin() + kAccessAt);
  std::fill(t.begin() + kKeyBAt, t.begin() + kKeyBAt + kKeySize, kTransportKeyByte);
  return t;
}

MifareClassic::Block MifareClassic::valueBlock(std::int32_t value, std::uint8_t address) {
  Block b{};
  writeInt32(&b[0], value);
  writeInt32(&b[kValueInverseAt], static_cast<std::int32_t>(~value));
  writeInt32(&b[kValueCopyAt], value);
  b[kAddressAt] = address;
  b[kAddressAt + 1] = static_cast<std::uint8_t>(~address);
  b[kAddressAt + 2] = address;
  b[kAddressAt + 3] = static_cast<std::uint8_t>(~address);
  return b;
}

void MifareClassic::setBlock(int block, const Block& data) {
  if (block == 0) {
    // The UID and its check byte are fixed at manufacture.
    std::copy(data.begin() + kBccAt + 1, data.end(), blocks_[0].begin() + kBccAt + 1);
    return;
  }
  blocks_[block] = data;
}

Outcome MifareClassic::refuse(Outcome why) {
  dropOut();
  return why;
}

std::optional<int> MifareClassic::conditionOf(int block) const {
  return decodeCondition(blocks_[trailerOf(sectorOf(block))], block % kBlocksPerSector);
}

bool MifareClassic::keyBReadable(int sector) const {
  const auto condition = conditionOf(trailerOf(sector));
  return condition && kKeyBReadable[*condition];
}

std::uint8_t MifareClassic::usedKeyMask() const {
  if (!authSector_) return kNever;
  if (authKey_ == KeyType::kA) return kKeyA;
  // A key B that can be read gives no access at all.
  return keyBReadable(*authSector_) ? kNever : kKeyB;
}

bool MifareClassic::dataAllowed(int block, Op op) const {
  if (!authenticatedFor(sectorOf(block))) return false;
  const auto condition = conditionOf(block);
  if (!condition) return false;
  return (kDataAccess[*condition][static_cast<int>(op)] & usedKeyMask()) != 0;
}

Outcome MifareClassic::authenticate(int sector, KeyType key, ByteView keyBytes) {
  if (state() != TypeAState::kActive) return detail::kNoCard;
  const Block& trailer = blocks_[trailerOf(sector)];
  const int at = key == KeyType::kA ? kKeyAAt : kKeyBAt;
  if (keyBytes.size() != kKeySize ||
      !std::equal(keyBytes.begin(), keyBytes.end(), trailer.begin() + at)) {
    return refuse(detail::kAuthFailed);
  }
  authSector_ = sector;
  authKey_ = key;
  return kDone;
}

Outcome MifareClassic::read(int block, Block& out) {
  if (!isTrailer(block)) {
    if (!dataAllowed(block, Op::kRead)) return refuse(detail::kAccessDenied);
    out = blocks_[block];
    return kDone;
  }
  const std::uint8_t used = usedKeyMask();
  const auto condition = conditionOf(block);
  if (!authenticatedFor(sectorOf(block)) || used == kNever || !condition) {
    return refuse(detail::kAccessDenied);
  }
  const TrailerAccess& access = kTrailerAccess[*condition];
  const Block& trailer = blocks_[block];
  out.fill(0);  // key A never reads back
  if (access.accessRead & used) {
    std::copy_n(trailer.begin() + kAccessAt, kAccessBytes, out.begin() + kAccessAt);
  }
  if (access.keyBRead & used) {
    std::copy_n(trailer.begin() + kKeyBAt, kKeySize, out.begin() + kKeyBAt);
  }
  return kDone;
}

Outcome MifareClassic::write(int block, const Block& data) {
  if (block == 0) return refuse(detail::kReadOnly);
  if (!isTrailer(block)) {
    if (!dataAllowed(block, Op::kWrite)) return refuse(detail::kAccessDenied);
    blocks_[block] = data;
    return kDone;
  }
  const std::uint8_t used = usedKeyMask();
  const auto condition = conditionOf(block);
  if (!authenticatedFor(sectorOf(block)) || used == kNever || !condition) {
    return refuse(detail::kAccessDenied);
  }
  const TrailerAccess& access = kTrailerAccess[*condition];
  const bool keyA = access.keyAWrite & used;
  const bool bits = access.accessWrite & used;
  const bool keyB = access.keyBWrite & used;
  if (!keyA && !bits && !keyB) return refuse(detail::kAccessDenied);
  // A real card would lock the sector for good on malformed access bits;
  // the reader refuses to write them.
  if (bits && !decodeCondition(data, 0)) return refuse(detail::kBadParameter);
  Block& trailer = blocks_[block];
  if (keyA) std::copy_n(data.begin() + kKeyAAt, kKeySize, trailer.begin() + kKeyAAt);
  if (bits) std::copy_n(data.begin() + kAccessAt, kAccessBytes, trailer.begin() + kAccessAt);
  if (keyB) std::copy_n(data.begin() + kKeyBAt, kKeySize, trailer.begin() + kKeyBAt);
  return kDone;
}

Outcome MifareClassic::checkValueBlock(int block, Op op) const {
  if (isTrailer(block)) return detail::kBadBlock;
  if (block == 0) return detail::kReadOnly;
  if (!dataAllowed(block, op)) return detail::kAccessDenied;
  if (op != Op::kWrite && !isValueFormat(blocks_[block])) return detail::kNotValueBlock;
  return kDone;
}

Outcome MifareClassic::initValue(int block, std::int32_t value) {
  if (isTrailer(block)) return detail::kBadBlock;
  if (Outcome o = checkValueBlock(block, Op::kWrite); o != kDone) return refuse(o);
  blocks_[block] = valueBlock(value, static_cast<std::uint8_t>(block));
  return kDone;
}

Outcome MifareClassic::changeValue(int block, bool increment, std::int32_t operand,
                                   std::int32_t& result) {
  if (isTrailer(block)) return detail::kBadBlock;
  const Op op = increment ? Op::kIncrement : Op::kDecrementTransferRestore;
  if (Outcome o = checkValueBlock(block, op); o != kDone) return refuse(o);
  // The result goes back by transfer, which needs its own right.
  if (!dataAllowed(block, Op::kDecrementTransferRestore)) return refuse(detail::kAccessDenied);
  const Block& b = blocks_[block];
  const std::int64_t current = readInt32(&b[0]);
  const std::int64_t next = increment ? current + operand : current - operand;
  if (next < std::numeric_limits<std::int32_t>::min() ||
      next > std::numeric_limits<std::int32_t>::max()) {
    return refuse(detail::kValueOverflow);
  }
  result = static_cast<std::int32_t>(next);
  blocks_[block] = valueBlock(result, b[kAddressAt]);
  return kDone;
}

Outcome MifareClassic::restoreTransfer(int from, int to, std::int32_t& result) {
  if (isTrailer(from) || isTrailer(to) || sectorOf(from) != sectorOf(to)) {
    return detail::kBadBlock;
  }
  if (Outcome o = checkValueBlock(from, Op::kDecrementTransferRestore); o != kDone) {
    return refuse(o);
  }
  if (to == 0) return refuse(detail::kReadOnly);
  if (!dataAllowed(to, Op::kDecrementTransferRestore)) return refuse(detail::kAccessDenied);
  const Block& source = blocks_[from];
  result = readInt32(&source[0]);
  blocks_[to] = valueBlock(result, source[kAddressAt]);
  return kDone;
}

}  // namespace vr
