// What every card in the field shares, and the ISO/IEC 14443-3 Type A
// activation state that the Type A cards share.
#ifndef VR_CARDS_CARD_H
#define VR_CARDS_CARD_H

#include <array>
#include <cstdint>
#include <string>

#include "../bytes.h"

namespace vr {

enum class CardKind { kMifareClassic, kUltralight, kCpuTypeA, kTypeB, kVicinity };

// The outcome of a card operation: kDone, or the detail code of the failure.
using Outcome = std::uint8_t;
inline constexpr Outcome kDone = 0x00;

class Card {
 public:
  virtual ~Card() = default;
  virtual CardKind kind() const = 0;

  std::string name;  // from the field file; shown in traces only
};

// ISO/IEC 14443-3 states of a Type A card.
enum class TypeAState { kIdle, kReady, kActive, kHalt };

inline constexpr std::uint8_t kCascadeTag = 0x88;
inline constexpr std::size_t kSingleUidSize = 4;
inline constexpr std::size_t kDoubleUidSize = 7;

class TypeACard : public Card {
 public:
  TypeACard(Bytes uid, std::array<std::uint8_t, 2> atqa, std::uint8_t sak)
      : uid_(std::move(uid)), atqa_(atqa), sak_(sak) {}

  const Bytes& uid() const { return uid_; }
  const std::array<std::uint8_t, 2>& atqa() const { return atqa_; }
  std::uint8_t sak() const { return sak_; }

  TypeAState state() const { return state_; }
  // READY* and ACTIVE*: woken from HALT by WUPA; such a card falls back to
  // HALT instead of IDLE.
  bool wokenFromHalt() const { return wokenFromHalt_; }

  // The UID bytes of cascade level 1: the UID itself, or for a 7-byte UID
  // the cascade tag followed by its first three bytes.
  Bytes cascadeLevel1() const;

  // REQA (wakeUp false) or WUPA; true when the card answers.
  bool onRequest(bool wakeUp);
  // The card completes selection and becomes ACTIVE.
  void activate();
  // HLTA while ACTIVE.
  void halt();
  // A command the card does not expect in its state, or an error: IDLE,
  // or HALT for a card woken from HALT.
  void dropOut();
  // Leaves the field's power: the card starts over in IDLE.
  void powerUp();

 protected:
  // Called whenever the card leaves ACTIVE, so that card kinds can forget
  // authentication and selected applications.
  virtual void onDeactivated() {}

 private:
  void setState(TypeAState next);

  Bytes uid_;
  std::array<std::uint8_t, 2> atqa_;
  std::uint8_t sak_;
  TypeAState state_ = TypeAState::kIdle;
  bool wokenFromHalt_ = false;
};

}  // namespace vr

#endif  // VR_CARDS_CARD_H
