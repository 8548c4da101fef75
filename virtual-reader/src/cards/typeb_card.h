// An ISO/IEC 14443 Type B card: ATQB from its PUPI, application data and
// protocol information, APDUs once given ATTRIB, and for an identity card
// the 8-byte card serial that the command 00 36 00 00 08 returns.
#ifndef VR_CARDS_TYPEB_CARD_H
#define VR_CARDS_TYPEB_CARD_H

#include <array>

#include "apdu_applet.h"
#include "card.h"

namespace vr {

enum class TypeBState { kIdle, kReady, kActive, kHalt };

class TypeBCard : public Card {
 public:
  static constexpr std::size_t kPupiSize = 4;
  static constexpr std::size_t kApplicationDataSize = 4;
  static constexpr std::size_t kProtocolInfoSize = 3;
  static constexpr std::size_t kIdSerialSize = 8;
  static constexpr std::uint8_t kAtqbMark = 0x50;
  // The identity card's serial-number command.
  static constexpr std::uint8_t kIdSerialInstruction = 0x36;

  CardKind kind() const override { return CardKind::kTypeB; }

  std::array<std::uint8_t, kPupiSize> pupi{};
  std::array<std::uint8_t, kApplicationDataSize> applicationData{};
  std::array<std::uint8_t, kProtocolInfoSize> protocolInfo{};
  Bytes idSerial;  // empty, or kIdSerialSize bytes for an identity card
  ApduApplet applet;

  TypeBState state = TypeBState::kIdle;

  Bytes atqb() const {
    Bytes out{kAtqbMark};
    append(out, pupi);
    append(out, applicationData);
    append(out, protocolInfo);
    return out;
  }

  Bytes transceive(ByteView command) {
    Apdu apdu;
    if (!Apdu::parse(command, apdu)) return withStatusWord({}, sw::kWrongLength);
    if (apdu.cla == 0 && apdu.ins == kIdSerialInstruction && !idSerial.empty()) {
      if (!apdu.hasLe || apdu.le != static_cast<int>(kIdSerialSize)) {
        return withStatusWord({}, sw::kWrongLe | kIdSerialSize);
      }
      return withStatusWord(idSerial, sw::kOk);
    }
    return applet.process(apdu);
  }

  void setState(TypeBState next) {
    if (state == TypeBState::kActive && next != TypeBState::kActive) applet.deselect();
    state = next;
  }
};

}  // namespace vr

#endif  // VR_CARDS_TYPEB_CARD_H
