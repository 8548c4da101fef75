// The small ISO/IEC 7816-4 command set that the contactless CPU cards of the
// field answer: SELECT of their application, READ BINARY and UPDATE BINARY
// of one binary file, GET CHALLENGE.
#ifndef VR_CARDS_APDU_APPLET_H
#define VR_CARDS_APDU_APPLET_H

#include <cstdint>

#include "../bytes.h"

namespace vr {

namespace sw {
inline constexpr std::uint16_t kOk = 0x9000;
inline constexpr std::uint16_t kEndOfFile = 0x6282;
inline constexpr std::uint16_t kWrongLength = 0x6700;
inline constexpr std::uint16_t kNotSatisfied = 0x6985;
inline constexpr std::uint16_t kNotFound = 0x6A82;
inline constexpr std::uint16_t kWrongP1P2 = 0x6A86;
inline constexpr std::uint16_t kOffsetOutside = 0x6B00;
inline constexpr std::uint16_t kWrongLe = 0x6C00;  // low byte: the length to ask for
inline constexpr std::uint16_t kUnknownInstruction = 0x6D00;
inline constexpr std::uint16_t kUnknownClass = 0x6E00;
}  // namespace sw

// A command APDU split into its parts (short lengths only).
struct Apdu {
  std::uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
  Bytes data;
  bool hasLe = false;
  int le = 0;  // 0 stands for 256
  // Parses cases 1 to 4; false when the lengths do not add up.
  static bool parse(ByteView bytes, Apdu& out);
};

Bytes withStatusWord(Bytes data, std::uint16_t statusWord);

class ApduApplet {
 public:
  // The most response data one reply frame carries with its status word.
  static constexpr int kMaxResponseData = 124;

  Bytes aid;   // the application's name for SELECT by name
  Bytes file;  // the binary file, read and updated in place

  Bytes process(const Apdu& apdu);
  // The card left its active state: the selection is lost.
  void deselect() { selected_ = false; }
  bool selected() const { return selected_; }

 private:
  Bytes select(const Apdu& apdu);
  Bytes readBinary(const Apdu& apdu) const;
  Bytes updateBinary(const Apdu& apdu);
  Bytes challenge(const Apdu& apdu);

  bool selected_ = false;
  std::uint32_t random_ = 0x2545F491;  // xorshift state; fixed for repeatable runs
};

}  // namespace vr

#endif  // VR_CARDS_APDU_APPLET_H
