// An ISO/IEC 15693 vicinity tag: UID, 4-byte blocks with lock bits, AFI and
// DSFID with their locks, and the ready, quiet and selected states. The tag
// takes ISO/IEC 15693-3 requests and answers as the standard says.
#ifndef VR_CARDS_VICINITY_TAG_H
#define VR_CARDS_VICINITY_TAG_H

#include <array>
#include <optional>
#include <vector>

#include "card.h"

namespace vr {

// ISO/IEC 15693-3 request flags, command codes and error codes.
namespace iso15693 {
inline constexpr std::uint8_t kFlagDataRate = 0x02;
inline constexpr std::uint8_t kFlagInventory = 0x04;
inline constexpr std::uint8_t kFlagSelect = 0x10;  // without the inventory flag
inline constexpr std::uint8_t kFlagAfi = 0x10;     // with the inventory flag
inline constexpr std::uint8_t kFlagAddress = 0x20;
inline constexpr std::uint8_t kFlagOption = 0x40;

inline constexpr std::uint8_t kInventory = 0x01;
inline constexpr std::uint8_t kStayQuiet = 0x02;
inline constexpr std::uint8_t kReadBlock = 0x20;
inline constexpr std::uint8_t kWriteBlock = 0x21;
inline constexpr std::uint8_t kLockBlock = 0x22;
inline constexpr std::uint8_t kReadBlocks = 0x23;
inline constexpr std::uint8_t kWriteBlocks = 0x24;
inline constexpr std::uint8_t kSelect = 0x25;
inline constexpr std::uint8_t kResetToReady = 0x26;
inline constexpr std::uint8_t kWriteAfi = 0x27;
inline constexpr std::uint8_t kLockAfi = 0x28;
inline constexpr std::uint8_t kWriteDsfid = 0x29;
inline constexpr std::uint8_t kLockDsfid = 0x2A;
inline constexpr std::uint8_t kSystemInfo = 0x2B;
inline constexpr std::uint8_t kSecurityStatus = 0x2C;

inline constexpr std::uint8_t kResponseOk = 0x00;
inline constexpr std::uint8_t kResponseError = 0x01;

inline constexpr std::uint8_t kErrorNotSupported = 0x01;
inline constexpr std::uint8_t kErrorNotRecognised = 0x02;
inline constexpr std::uint8_t kErrorBlockUnavailable = 0x10;
inline constexpr std::uint8_t kErrorAlreadyLocked = 0x11;
inline constexpr std::uint8_t kErrorLocked = 0x12;

inline constexpr std::size_t kUidSize = 8;
}  // namespace iso15693

enum class VicinityState { kReady, kQuiet, kSelected };

class VicinityTag : public Card {
 public:
  static constexpr std::size_t kBlockSize = 4;
  static constexpr std::size_t kMaxBlocks = 256;
  using Uid = std::array<std::uint8_t, iso15693::kUidSize>;  // as sent: least significant first
  using Block = std::array<std::uint8_t, kBlockSize>;

  CardKind kind() const override { return CardKind::kVicinity; }

  Uid uid{};
  std::vector<Block> blocks;
  std::vector<bool> locked;  // one per block
  std::uint8_t afi = 0;
  std::uint8_t dsfid = 0;
  bool afiLocked = false;
  bool dsfidLocked = false;
  std::uint8_t icReference = 0;
  VicinityState state = VicinityState::kReady;

  // One request from flags byte on; the response from its flags byte on, or
  // nothing when the request is not for this tag or asks for no answer.
  std::optional<Bytes> process(ByteView request);

 private:
  std::optional<Bytes> inventory(std::uint8_t flags, ByteView params) const;
  Bytes execute(std::uint8_t flags, std::uint8_t command, ByteView params);
  Bytes readBlocks(std::uint8_t flags, int first, int count) const;
  Bytes writeBlocks(int first, int count, ByteView data);
  Bytes lockBlock(int block);
  Bytes securityStatus(int first, int count) const;
  Bytes systemInfo() const;
  bool blockExists(int block) const {
    return block >= 0 && block < static_cast<int>(blocks.size());
  }
};

}  // namespace vr

#endif  // VR_CARDS_VICINITY_TAG_H
