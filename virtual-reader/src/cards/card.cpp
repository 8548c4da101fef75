#include "card.h"

namespace vr {

Bytes TypeACard::cascadeLevel1() const {
  if (uid_.size() == kSingleUidSize) return uid_;
  return Bytes{kCascadeTag, uid_[0], uid_[1], uid_[2]};
}

bool TypeACard::onRequest(bool wakeUp) {
  switch (state_) {
    case TypeAState::kIdle:
      wokenFromHalt_ = false;
      setState(TypeAState::kReady);
      return true;
    case TypeAState::kHalt:
      if (!wakeUp) return false;
      wokenFromHalt_ = true;
      setState(TypeAState::kReady);
      return true;
    case TypeAState::kReady:
    case TypeAState::kActive:
      // Not a command these states expect: the card falls back silently.
      dropOut();
      return false;
  }
  return false;
}

void TypeACard::activate() { setState(TypeAState::kActive); }

void TypeACard::halt() {
  wokenFromHalt_ = false;
  setState(TypeAState::kHalt);
}

void TypeACard::dropOut() {
  setState(wokenFromHalt_ ? TypeAState::kHalt : TypeAState::kIdle);
  wokenFromHalt_ = false;
}

void TypeACard::powerUp() {
  wokenFromHalt_ = false;
  setState(TypeAState::kIdle);
}

void TypeACard::setState(TypeAState next) {
  const bool wasActive = state_ == TypeAState::kActive;
  state_ = next;
  if (wasActive && next != TypeAState::kActive) onDeactivated();
}

}  // namespace vr
