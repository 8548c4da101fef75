// A MIFARE Ultralight: 16 pages of 4 bytes; pages 0 and 1 and half of page 2
// hold the 7-byte UID, page 2 ends in the lock bytes, page 3 is one-time
// programmable.
#ifndef VR_CARDS_ULTRALIGHT_H
#define VR_CARDS_ULTRALIGHT_H

#include <array>
#include <cstdint>

#include "card.h"

namespace vr {

class Ultralight : public TypeACard {
 public:
  static constexpr int kPages = 16;
  static constexpr int kPageSize = 4;
  static constexpr int kReadPages = 4;  // one READ returns four pages
  static constexpr int kLockPage = 2;
  static constexpr int kOtpPage = 3;
  static constexpr int kFirstDataPage = 4;
  using Memory = std::array<std::uint8_t, kPages * kPageSize>;
  using ReadResult = std::array<std::uint8_t, kReadPages * kPageSize>;

  // A card as it leaves the factory, with the UID in pages 0 to 2.
  explicit Ultralight(Bytes uid);

  CardKind kind() const override { return CardKind::kUltralight; }

  const Memory& memory() const { return memory_; }
  // Sets memory as stored in the field file; the UID bytes and their check
  // bytes stay as the UID gives them.
  void setMemory(const Memory& memory);

  // Four pages from `page` on, wrapping round after the last page.
  ReadResult read(int page) const;
  // Page 2 and the OTP page take bits ORed in; locked pages refuse.
  Outcome write(int page, ByteView data);

 private:
  bool pageLocked(int page) const;
  void writeUidBytes();

  Memory memory_{};
};

}  // namespace vr

#endif  // VR_CARDS_ULTRALIGHT_H
