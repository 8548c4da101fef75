// The cards in the reader's field, and what happens on the air when the
// reader talks to them: Type A requests, anticollision, selection and halt;
// Type B wake-up, ATTRIB and halt; ISO/IEC 15693 requests heard by every tag.
#ifndef VR_FIELD_H
#define VR_FIELD_H

#include <array>
#include <memory>
#include <vector>

#include "cards/card.h"
#include "cards/typeb_card.h"

namespace vr {

class Field {
 public:
  std::vector<std::unique_ptr<Card>> cards;

  template <class T>
  std::vector<T*> all() const {
    std::vector<T*> out;
    for (const auto& card : cards) {
      if (auto* t = dynamic_cast<T*>(card.get())) out.push_back(t);
    }
    return out;
  }

  // ---- Type A ----
  struct RequestAnswer {
    int cards = 0;
    std::array<std::uint8_t, 2> atqa{};  // the answers of all cards ORed together
  };
  RequestAnswer requestA(bool wakeUp);
  std::vector<TypeACard*> readyA() const;
  TypeACard* activeA() const;
  // SELECT of cascade level 1 (and, for a 7-byte UID, the reader's second
  // cascade level): the READY card with these bytes becomes ACTIVE. A card
  // that was ACTIVE before drops out.
  TypeACard* selectA(ByteView cascadeLevel1);
  // Selects a given READY card, whatever its UID.
  void selectA(TypeACard& card);
  void haltA();
  // A command meant for the ACTIVE card: the READY cards do not expect it
  // and drop out.
  void commandForActiveA();

  // ---- Type B ----
  // REQB (wakeUp false) or WUPB: the cards that answer, in field order.
  std::vector<TypeBCard*> requestB(bool wakeUp);
  TypeBCard* activeB() const;
  void attrib(TypeBCard& card);

  // ---- ISO/IEC 15693 ----
  // Every tag hears the request; the responses of those that answered.
  std::vector<Bytes> transceive15693(ByteView request);
};

}  // namespace vr

#endif  // VR_FIELD_H
