#include "field.h"

#include <algorithm>

#include "cards/vicinity_tag.h"

namespace vr {

Field::RequestAnswer Field::requestA(bool wakeUp) {
  RequestAnswer answer;
  for (TypeACard* card : all<TypeACard>()) {
    if (!card->onRequest(wakeUp)) continue;
    ++answer.cards;
    for (std::size_t i = 0; i < answer.atqa.size(); ++i) answer.atqa[i] |= card->atqa()[i];
  }
  return answer;
}

std::vector<TypeACard*> Field::readyA() const {
  std::vector<TypeACard*> out;
  for (TypeACard* card : all<TypeACard>()) {
    if (card->state() == TypeAState::kReady) out.push_back(card);
  }
  return out;
}

TypeACard* Field::activeA() const {
  for (TypeACard* card : all<TypeACard>()) {
    if (card->state() == TypeAState::kActive) return card;
  }
  return nullptr;
}

TypeACard* Field::selectA(ByteView cascadeLevel1) {
  TypeACard* chosen = nullptr;
  for (TypeACard* card : readyA()) {
    const Bytes cl1 = card->cascadeLevel1();
    if (std::equal(cl1.begin(), cl1.end(), cascadeLevel1.begin(), cascadeLevel1.end())) {
      chosen = card;
      break;
    }
  }
  if (TypeACard* previous = activeA()) previous->dropOut();
  if (chosen) chosen->activate();
  return chosen;
}

void Field::selectA(TypeACard& card) {
  if (TypeACard* previous = activeA(); previous && previous != &card) previous->dropOut();
  card.activate();
}

void Field::haltA() {
  for (TypeACard* card : all<TypeACard>()) {
    if (card->state() == TypeAState::kActive) {
      card->halt();
    } else if (card->state() == TypeAState::kReady) {
      card->dropOut();
    }
  }
}

void Field::commandForActiveA() {
  for (TypeACard* card : readyA()) card->dropOut();
}

std::vector<TypeBCard*> Field::requestB(bool wakeUp) {
  std::vector<TypeBCard*> answered;
  for (TypeBCard* card : all<TypeBCard>()) {
    switch (card->state) {
      case TypeBState::kIdle:
      case TypeBState::kReady:
        break;
      case TypeBState::kHalt:
        if (!wakeUp) continue;
        break;
      case TypeBState::kActive:
        // The reader deselects the card it worked with before asking again.
        card->setState(TypeBState::kHalt);
        if (!wakeUp) continue;
        break;
    }
    card->setState(TypeBState::kReady);
    answered.push_back(card);
  }
  return answered;
}

TypeBCard* Field::activeB() const {
  for (TypeBCard* card : all<TypeBCard>()) {
    if (card->state == TypeBState::kActive) return card;
  }
  return nullptr;
}

void Field::attrib(TypeBCard& card) {
  if (TypeBCard* previous = activeB(); previous && previous != &card) {
    previous->setState(TypeBState::kHalt);
  }
  card.setState(TypeBState::kActive);
}

std::vector<Bytes> Field::transceive15693(ByteView request) {
  std::vector<Bytes> responses;
  for (VicinityTag* tag : all<VicinityTag>()) {
    if (auto response = tag->process(request)) responses.push_back(std::move(*response));
  }
  return responses;
}

}  // namespace vr
