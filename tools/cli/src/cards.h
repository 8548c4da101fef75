// What the tool knows about the cards themselves: MIFARE Classic memory
// layout and value blocks, the Type B answer to request, ISO/IEC 15693 UIDs
// and system information, and how to tell how much of a reply buffer a
// call filled when the library does not say.
#ifndef VEXA_CLI_CARDS_H
#define VEXA_CLI_CARDS_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hex.h"

namespace vexa::cli {

// ---- MIFARE Classic ----
inline constexpr int kClassicBlockSize = 16;
inline constexpr int kClassicKeySize = 6;
inline constexpr int kClassicSerialSize = 4;
inline constexpr int kClassicValueSize = 4;
inline constexpr int kMostBlocksPerCall = 15;

struct ClassicLayout {
  std::string_view name;  // "1k"
  int sectors;
  int blocks;
  // Blocks of sector `s`, and its first block.
  int blocksInSector(int sector) const;
  int firstBlock(int sector) const;
  int sectorOf(int block) const;
  bool isTrailer(int block) const;
};
// "mini", "1k", "2k", "4k"; throws UsageError for anything else.
const ClassicLayout& classicLayout(std::string_view name);

// A value block: value, its complement, value; address, complement,
// address, complement. Values are little-endian, as the card keeps them.
using ClassicBlock = std::array<std::uint8_t, kClassicBlockSize>;
struct ValueBlock {
  std::int32_t value;
  std::uint8_t address;
};
std::optional<ValueBlock> decodeValueBlock(ByteView block);
std::array<std::uint8_t, kClassicValueSize> valueBytes(std::int32_t value);
std::int32_t valueFromBytes(ByteView bytes);

// ---- Type A ----
// Cascade tag: the first byte of cascade level 1 of a 7-byte UID.
inline constexpr std::uint8_t kCascadeTag = 0x88;
inline constexpr int kTypeASerialSize = 4;
inline constexpr int kUltralightUidSize = 7;

// ---- Type B ----
struct Atqb {
  Bytes pupi, applicationData, protocolInfo;
};
// 0x50, then PUPI (4), application data (4), protocol info (3 or more).
std::optional<Atqb> parseAtqb(ByteView answer);

// ---- ISO/IEC 15693 ----
inline constexpr int kVicinityUidSize = 8;
inline constexpr int kInventoryRecordSize = 10;  // response flags, DSFID, UID
inline constexpr int kMostInventoryRecords = 24;
inline constexpr int kSysInfoSize = 15;

// The library carries UIDs least significant byte first; people write them
// most significant first (E0 ...). These turn one into the other.
Bytes uidFromWire(ByteView wire);
Bytes uidToWire(ByteView written);

struct SystemInfo {
  std::uint8_t infoFlags = 0;
  Bytes uid;  // as written
  std::optional<std::uint8_t> dsfid, afi, icReference;
  std::optional<int> blocks, blockSize;
};
// The response flags byte, then the information flags and what they announce.
std::optional<SystemInfo> parseSystemInfo(ByteView sysInfo);

// ---- reply buffers whose filled length the library does not report ----
// A buffer set to a pattern that depends on the position, so that the end
// of what a call wrote can be found: a written byte equals the pattern at
// its position only by chance.
class ReplyBuffer {
 public:
  static constexpr std::size_t kSize = 128;
  ReplyBuffer();
  std::uint8_t* data() { return bytes_.data(); }
  // One past the last byte that differs from the pattern.
  std::size_t written() const;
  // For a reply copied with its check byte last (TypeB_TransCOS): the
  // shortest length n, from written() on, whose byte n-1 is the XOR of n,
  // `status` and the bytes before it.
  std::optional<std::size_t> checkedLength(std::uint8_t status) const;
  Bytes first(std::size_t n) const { return Bytes(bytes_.begin(), bytes_.begin() + n); }
  static std::uint8_t patternAt(std::size_t i);

 private:
  std::array<std::uint8_t, kSize> bytes_;
};

}  // namespace vexa::cli

#endif  // VEXA_CLI_CARDS_H
