// An ISO/IEC 14443-4 card of Type A: activated like any Type A card, then
// (the reader sends RATS itself) answering APDUs.
#ifndef VR_CARDS_CPU_CARD_A_H
#define VR_CARDS_CPU_CARD_A_H

#include "apdu_applet.h"
#include "card.h"

namespace vr {

class CpuCardA : public TypeACard {
 public:
  static constexpr std::uint8_t kSak = 0x20;  // ISO/IEC 14443-4 compliant
  static constexpr std::array<std::uint8_t, 2> kDefaultAtqa = {0x04, 0x00};

  CpuCardA(Bytes uid, std::array<std::uint8_t, 2> atqa, Bytes ats)
      : TypeACard(std::move(uid), atqa, kSak), ats_(std::move(ats)) {}

  CardKind kind() const override { return CardKind::kCpuTypeA; }
  const Bytes& ats() const { return ats_; }

  ApduApplet applet;

  // An APDU exchange; a command that is no APDU at all gets 67 00.
  Bytes transceive(ByteView command) {
    Apdu apdu;
    if (!Apdu::parse(command, apdu)) return withStatusWord({}, sw::kWrongLength);
    return applet.process(apdu);
  }

 protected:
  void onDeactivated() override { applet.deselect(); }

 private:
  Bytes ats_;
};

}  // namespace vr

#endif  // VR_CARDS_CPU_CARD_A_H
