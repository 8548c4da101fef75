#include "cards.h"

#include <algorithm>

#include "errors.h"

namespace vexa::cli {
namespace {

constexpr int kSmallSectorBlocks = 4;
constexpr int kLargeSectorBlocks = 16;
constexpr int kSmallSectors = 32;  // a 4K card's sectors 32 to 39 are large

constexpr ClassicLayout kLayouts[] = {
    {"mini", 5, 20},
    {"1k", 16, 64},
    {"2k", 32, 128},
    {"4k", 40, 256},
};

// Value block offsets.
constexpr int kInverseAt = 4;
constexpr int kCopyAt = 8;
constexpr int kAddressAt = 12;
constexpr int kByteBits = 8;

constexpr std::uint8_t kAtqbMark = 0x50;
constexpr std::size_t kPupiSize = 4;
constexpr std::size_t kApplicationDataSize = 4;
constexpr std::size_t kMinProtocolInfoSize = 3;

// System information flags.
constexpr std::uint8_t kInfoDsfid = 0x01;
constexpr std::uint8_t kInfoAfi = 0x02;
constexpr std::uint8_t kInfoMemory = 0x04;
constexpr std::uint8_t kInfoIcReference = 0x08;
constexpr std::uint8_t kBlockSizeMask = 0x1F;

constexpr std::uint8_t kPatternStep = 0x3B;
constexpr std::uint8_t kPatternStart = 0xA5;

}  // namespace

int ClassicLayout::blocksInSector(int sector) const {
  return sector < kSmallSectors ? kSmallSectorBlocks : kLargeSectorBlocks;
}

int ClassicLayout::firstBlock(int sector) const {
  if (sector <= kSmallSectors) return sector * kSmallSectorBlocks;
  return kSmallSectors * kSmallSectorBlocks + (sector - kSmallSectors) * kLargeSectorBlocks;
}

int ClassicLayout::sectorOf(int block) const {
  const int smallBlocks = kSmallSectors * kSmallSectorBlocks;
  if (block < smallBlocks) return block / kSmallSectorBlocks;
  return kSmallSectors + (block - smallBlocks) / kLargeSectorBlocks;
}

bool ClassicLayout::isTrailer(int block) const {
  const int sector = sectorOf(block);
  return block == firstBlock(sector) + blocksInSector(sector) - 1;
}

const ClassicLayout& classicLayout(std::string_view name) {
  for (const ClassicLayout& layout : kLayouts) {
    if (layout.name == name) return layout;
  }
  throw UsageError("card size '" + std::string(name) + "' is not one of mini, 1k, 2k, 4k");
}

std::int32_t valueFromBytes(ByteView bytes) {
  std::uint32_t v = 0;
  for (std::size_t i = kClassicValueSize; i-- > 0;) v = (v << kByteBits) | bytes[i];
  return static_cast<std::int32_t>(v);
}

std::array<std::uint8_t, kClassicValueSize> valueBytes(std::int32_t value) {
  std::array<std::uint8_t, kClassicValueSize> out{};
  auto v = static_cast<std::uint32_t>(value);
  for (auto& b : out) {
    b = static_cast<std::uint8_t>(v);
    v >>= kByteBits;
  }
  return out;
}

std::optional<ValueBlock> decodeValueBlock(ByteView block) {
  if (block.size() != kClassicBlockSize) return std::nullopt;
  for (int i = 0; i < kClassicValueSize; ++i) {
    const std::uint8_t b = block[i];
    if (block[kCopyAt + i] != b || block[kInverseAt + i] != static_cast<std::uint8_t>(~b)) {
      return std::nullopt;
    }
  }
  const std::uint8_t a = block[kAddressAt];
  const auto na = static_cast<std::uint8_t>(~a);
  if (block[kAddressAt + 1] != na || block[kAddressAt + 2] != a || block[kAddressAt + 3] != na) {
    return std::nullopt;
  }
  return ValueBlock{valueFromBytes(block.first(kClassicValueSize)), a};
}

std::optional<Atqb> parseAtqb(ByteView answer) {
  const std::size_t least = 1 + kPupiSize + kApplicationDataSize + kMinProtocolInfoSize;
  if (answer.size() < least || answer[0] != kAtqbMark) return std::nullopt;
  const auto at = answer.begin() + 1;
  return Atqb{Bytes(at, at + kPupiSize),
              Bytes(at + kPupiSize, at + kPupiSize + kApplicationDataSize),
              Bytes(at + kPupiSize + kApplicationDataSize, answer.end())};
}

Bytes uidFromWire(ByteView wire) { return Bytes(wire.rbegin(), wire.rend()); }
Bytes uidToWire(ByteView written) { return Bytes(written.rbegin(), written.rend()); }

std::optional<SystemInfo> parseSystemInfo(ByteView s) {
  // Response flags, information flags, UID.
  std::size_t at = 2 + kVicinityUidSize;
  if (s.size() < at) return std::nullopt;
  SystemInfo info;
  info.infoFlags = s[1];
  info.uid = uidFromWire(s.subspan(2, kVicinityUidSize));
  auto take = [&](std::size_t n) -> std::optional<ByteView> {
    if (at + n > s.size()) return std::nullopt;
    ByteView v = s.subspan(at, n);
    at += n;
    return v;
  };
  if (info.infoFlags & kInfoDsfid) {
    auto v = take(1);
    if (!v) return std::nullopt;
    info.dsfid = (*v)[0];
  }
  if (info.infoFlags & kInfoAfi) {
    auto v = take(1);
    if (!v) return std::nullopt;
    info.afi = (*v)[0];
  }
  if (info.infoFlags & kInfoMemory) {
    auto v = take(2);
    if (!v) return std::nullopt;
    info.blocks = (*v)[0] + 1;
    info.blockSize = ((*v)[1] & kBlockSizeMask) + 1;
  }
  if (info.infoFlags & kInfoIcReference) {
    auto v = take(1);
    if (!v) return std::nullopt;
    info.icReference = (*v)[0];
  }
  return info;
}

std::uint8_t ReplyBuffer::patternAt(std::size_t i) {
  return static_cast<std::uint8_t>(kPatternStart + i * kPatternStep);
}

ReplyBuffer::ReplyBuffer() {
  for (std::size_t i = 0; i < kSize; ++i) bytes_[i] = patternAt(i);
}

std::size_t ReplyBuffer::written() const {
  for (std::size_t n = kSize; n > 0; --n) {
    if (bytes_[n - 1] != patternAt(n - 1)) return n;
  }
  return 0;
}

std::optional<std::size_t> ReplyBuffer::checkedLength(std::uint8_t status) const {
  // Every byte past the reply still holds the pattern, so the reply ends at
  // or after the last changed byte (its last bytes may equal the pattern by
  // chance). The shortest length whose check byte fits is the likeliest.
  for (std::size_t n = std::max<std::size_t>(written(), 1); n < kSize; ++n) {
    std::uint8_t x = static_cast<std::uint8_t>(n) ^ status;
    for (std::size_t i = 0; i + 1 < n; ++i) x ^= bytes_[i];
    if (x == bytes_[n - 1]) return n;
  }
  return std::nullopt;
}

}  // namespace vexa::cli
