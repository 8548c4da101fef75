// A MIFARE Classic 1K: 16 sectors of 4 blocks, keys A and B and access
// conditions in each sector trailer, value blocks.
#ifndef VR_CARDS_MIFARE_CLASSIC_H
#define VR_CARDS_MIFARE_CLASSIC_H

#include <array>
#include <cstdint>
#include <optional>

#include "card.h"

namespace vr {

class MifareClassic : public TypeACard {
 public:
  static constexpr int kBlocks = 64;
  static constexpr int kBlockSize = 16;
  static constexpr int kBlocksPerSector = 4;
  static constexpr int kKeySize = 6;
  using Block = std::array<std::uint8_t, kBlockSize>;

  enum class KeyType { kA, kB };

  // A card as it leaves the factory: the manufacturer block made from the
  // 4-byte UID, zero data blocks, transport keys and access conditions.
  explicit MifareClassic(Bytes uid);

  CardKind kind() const override { return CardKind::kMifareClassic; }

  static int sectorOf(int block) { return block / kBlocksPerSector; }
  static bool isTrailer(int block) { return block % kBlocksPerSector == kBlocksPerSector - 1; }
  static Block factoryTrailer();
  static Block valueBlock(std::int32_t value, std::uint8_t address);

  // Memory as stored, for the field file. Block 0 bytes 0 to 4 always hold
  // the UID and its check byte.
  const std::array<Block, kBlocks>& blocks() const { return blocks_; }
  void setBlock(int block, const Block& data);

  // Card commands. Each fails with a detail code, after which the card has
  // left the ACTIVE state as a real card does after a refusal.
  Outcome authenticate(int sector, KeyType key, ByteView keyBytes);
  bool authenticatedFor(int sector) const { return authSector_ == sector; }
  Outcome read(int block, Block& out);
  Outcome write(int block, const Block& data);
  Outcome initValue(int block, std::int32_t value);
  // Increment or decrement, then transfer into the same block.
  Outcome changeValue(int block, bool increment, std::int32_t operand, std::int32_t& result);
  // Restore the value of `from` and transfer it into `to` (same sector).
  Outcome restoreTransfer(int from, int to, std::int32_t& result);

 protected:
  void onDeactivated() override { authSector_.reset(); }

 private:
  enum class Op { kRead, kWrite, kIncrement, kDecrementTransferRestore };
  Outcome refuse(Outcome why);
  std::uint8_t xorOfUid() const;
  // Access for a data block operation with the current authentication.
  bool dataAllowed(int block, Op op) const;
  std::optional<int> conditionOf(int block) const;  // 0..7; empty if malformed
  std::uint8_t usedKeyMask() const;
  bool keyBReadable(int sector) const;
  Outcome checkValueBlock(int block, Op op) const;

  std::array<Block, kBlocks> blocks_{};
  std::optional<int> authSector_;
  KeyType authKey_ = KeyType::kA;
};

}  // namespace vr

#endif  // VR_CARDS_MIFARE_CLASSIC_H
